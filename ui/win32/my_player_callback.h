#pragma once

#include <windows.h>

#include <atomic>

#include "core/connection_state.h"

namespace kavri {

// Hands the controller's state reports to the main window as a synchronous
// WM_PLAYER_STATE: the reporting thread waits until the window handled it.
class MyPlayerCallback : public PlayerCallback {
  public:
    explicit MyPlayerCallback(HWND window) : window_(window) {}
    virtual ~MyPlayerCallback() = default;
    void onStateChanged(int state, int result) override;

    // On the window thread, before the controller is destroyed: later reports
    // are dropped, and reports already waiting for the window are let through,
    // so that no controller thread stays blocked on a window that no longer
    // answers while the controller waits for its threads.
    void close();

  private:
    HWND window_;
    std::atomic<bool> closed_{false};
    std::atomic<int> sending_{0};
};

}  // namespace kavri
