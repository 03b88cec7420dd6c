#include "ui/win32/single_instance.h"

namespace kavri {

SingleInstance::SingleInstance(const wchar_t* name) {
    mutex_ = CreateMutexW(nullptr, FALSE, name);
    alreadyRunning_ = GetLastError() == ERROR_ALREADY_EXISTS;
}

SingleInstance::~SingleInstance() {
    if (mutex_ != nullptr)
        CloseHandle(mutex_);
}

}  // namespace kavri
