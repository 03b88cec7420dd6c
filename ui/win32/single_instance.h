#pragma once

#include <windows.h>

namespace kavri {

// The named mutex that marks a running instance. Created during static
// initialisation, before wWinMain; closed when the process ends.
class SingleInstance {
  public:
    explicit SingleInstance(const wchar_t* name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when another instance had already created the mutex.
    bool alreadyRunning() const { return alreadyRunning_; }

  private:
    HANDLE mutex_ = nullptr;
    bool alreadyRunning_ = false;
};

}  // namespace kavri
