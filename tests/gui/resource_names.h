#pragma once

#include <string>

// The driver's commands name commands, controls and messages as the
// program's own resource header does (IDM_CONNECT, IDC_WIFI_ADDR, ...), plus
// the dialog buttons and mouse messages of the system headers.
bool resourceValue(const std::wstring& name, int& value);
// The name of a command id, or the number when it has none.
std::wstring commandName(int id);
