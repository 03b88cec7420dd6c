#include "platform/child_process.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

namespace kavri {

namespace {

HANDLE asHandle(intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}
intptr_t fromHandle(HANDLE h) {
    return reinterpret_cast<intptr_t>(h);
}

void closeHandle(intptr_t& h) {
    if (h != -1) {
        CloseHandle(asHandle(h));
        h = -1;
    }
}

}  // namespace

bool ChildProcess::start(const wchar_t* program, const wchar_t* commandLine) {
    if (process_ != -1 || program == nullptr || commandLine == nullptr) {
        return false;
    }
    SECURITY_ATTRIBUTES inherit{};
    inherit.nLength = sizeof inherit;
    inherit.bInheritHandle = TRUE;
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        return false;
    }

    // A bare application name: Windows takes it from the current directory
    // and never searches the path for it.
    const std::wstring application = std::wstring(program) + L".exe";
    std::vector<wchar_t> line(commandLine, commandLine + std::wcslen(commandLine) + 1);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = writeEnd;
    startup.hStdError = nullptr;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &info)) {
        CloseHandle(readEnd);
        CloseHandle(writeEnd);
        return false;
    }
    // Only the child holds the write end now, so the pipe ends with it.
    CloseHandle(writeEnd);
    process_ = fromHandle(info.hProcess);
    thread_ = fromHandle(info.hThread);
    readEnd_ = fromHandle(readEnd);
    ended_ = false;
    return true;
}

int ChildProcess::readOutput(char* buffer, int capacity) {
    if (readEnd_ == -1 || buffer == nullptr || capacity <= 0) {
        return 0;
    }
    DWORD got = 0;
    if (!ReadFile(asHandle(readEnd_), buffer, static_cast<DWORD>(capacity), &got, nullptr)) {
        return 0;
    }
    return static_cast<int>(got);
}

void ChildProcess::wait() {
    if (process_ != -1 && !ended_) {
        WaitForSingleObject(asHandle(process_), INFINITE);
        ended_ = true;
    }
}

void ChildProcess::release() {
    closeHandle(process_);
    closeHandle(thread_);
    closeHandle(readEnd_);
}

ChildProcess::~ChildProcess() {
    // Closing our end first lets a child that is still writing fail and end.
    closeHandle(readEnd_);
    wait();
    release();
}

}  // namespace kavri
