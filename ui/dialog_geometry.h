#pragma once

namespace kavri {

// A window's outer rectangle in screen coordinates.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

// Top-left corner that centres a dialog over its owner; each half is
// truncated toward zero, so a dialog larger than its owner moves up or left.
ScreenPoint centredOrigin(const ScreenRect& owner, const ScreenRect& dialog);

}  // namespace kavri
