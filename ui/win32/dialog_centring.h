#pragma once

#include <windows.h>

namespace kavri {

// Moves a dialog so that it sits centred over its owner (also when the owner
// is hidden), keeping its size.
void centreOverOwner(HWND dialog);

}  // namespace kavri
