#include "ui/dialog_geometry.h"

namespace kavri {

ScreenPoint centredOrigin(const ScreenRect& owner, const ScreenRect& dialog) {
    // Widen first: a far-off owner must not overflow the subtraction.
    const long long dx = (static_cast<long long>(owner.width()) - dialog.width()) / 2;
    const long long dy = (static_cast<long long>(owner.height()) - dialog.height()) / 2;
    return {static_cast<int>(owner.left + dx), static_cast<int>(owner.top + dy)};
}

}  // namespace kavri
