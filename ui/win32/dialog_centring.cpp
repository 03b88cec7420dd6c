#include "ui/win32/dialog_centring.h"

#include "ui/dialog_geometry.h"

namespace kavri {

namespace {
ScreenRect outerRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return {r.left, r.top, r.right, r.bottom};
}
}  // namespace

void centreOverOwner(HWND dialog) {
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (owner == nullptr)
        owner = GetDesktopWindow();
    const ScreenRect o = outerRect(owner);
    const ScreenRect d = outerRect(dialog);
    const ScreenPoint p = centredOrigin(o, d);
    SetWindowPos(dialog, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

}  // namespace kavri
