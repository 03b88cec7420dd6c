#pragma once

#include <windows.h>

namespace kavri {

// The modal About box.
void runAboutDialog(HINSTANCE instance, HWND owner);

}  // namespace kavri
