#pragma once

#include <windows.h>

namespace kavri {

// The modal Select transport dialog. OK stores the chosen transport and its
// address into the settings; returns IDOK or IDCANCEL.
INT_PTR runSelectTransportDialog(HINSTANCE instance, HWND owner);

}  // namespace kavri
