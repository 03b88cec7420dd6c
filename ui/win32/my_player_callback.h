#pragma once

#include <windows.h>

#include "core/connection_state.h"

namespace kavri {

// Hands the controller's state reports to the main window as a synchronous
// WM_PLAYER_STATE: the reporting thread waits until the window handled it.
class MyPlayerCallback : public PlayerCallback {
public:
    explicit MyPlayerCallback(HWND window) : window_(window) {}
    virtual ~MyPlayerCallback() = default;
    void onStateChanged(int state, int result) override;

private:
    HWND window_;
};

}  // namespace kavri
