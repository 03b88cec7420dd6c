#pragma once

#include <windows.h>

namespace kavri {

// The modal Change ports dialog; OK stores both ports into the settings.
void runPortsDialog(HINSTANCE instance, HWND owner);

}  // namespace kavri
