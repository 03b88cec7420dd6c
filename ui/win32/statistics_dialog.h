#pragma once

#include <windows.h>

namespace kavri {

// The modal Statistics dialog: the last connection's reception figures, the
// transport and ports, the driver state and the timer's finest period, with
// a button that copies the text to the clipboard.
void runStatisticsDialog(HINSTANCE instance, HWND owner);

}  // namespace kavri
