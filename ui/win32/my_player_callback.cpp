#include "ui/win32/my_player_callback.h"

#include "ui/win32/resource.h"

namespace kavri {

void MyPlayerCallback::onStateChanged(int state, int result) {
    SendMessageW(window_, WM_PLAYER_STATE, static_cast<WPARAM>(state), static_cast<LPARAM>(result));
}

}  // namespace kavri
