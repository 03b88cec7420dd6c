#include "ui/win32/my_player_callback.h"

#include "ui/win32/resource.h"

namespace kavri {

void MyPlayerCallback::onStateChanged(int state, int result) {
    // Counted before the test, so that close() either sees this report in
    // flight or this report sees close().
    ++sending_;
    if (!closed_.load()) {
        SendMessageW(window_, WM_PLAYER_STATE, static_cast<WPARAM>(state),
                     static_cast<LPARAM>(result));
    }
    --sending_;
}

void MyPlayerCallback::close() {
    closed_.store(true);
    while (sending_.load() > 0) {
        // Handles the messages other threads are sending to this thread.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace kavri
