#include "adb_sandbox.h"

#include <windows.h>

namespace kavri::test {

std::filesystem::path executableDirectory() {
    wchar_t path[MAX_PATH * 4] = {};
    const DWORD length =
        GetModuleFileNameW(nullptr, path, static_cast<DWORD>(sizeof path / sizeof path[0]));
    return std::filesystem::path(std::wstring(path, length)).parent_path();
}

const char* adbFileName() {
    return "adb.exe";
}

}  // namespace kavri::test
