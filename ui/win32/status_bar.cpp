#include "ui/win32/status_bar.h"

#include <commctrl.h>

namespace kavri {

bool StatusBar::create(HWND parent, HINSTANCE instance) {
    window_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP,
                              0, 0, 0, 0, parent, nullptr, instance, nullptr);
    if (window_ == nullptr)
        return false;
    int edges[3] = {300, 500, -1};
    SendMessageW(window_, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
    setStateText(L"Disconnected");
    return true;
}

void StatusBar::setStateText(const wchar_t* text) {
    setPart(0, text);
}

void StatusBar::setTransportText(const wchar_t* text) {
    setPart(1, text);
}

void StatusBar::relayout(WPARAM wParam, LPARAM lParam) {
    if (window_ != nullptr)
        SendMessageW(window_, WM_SIZE, wParam, lParam);
}

void StatusBar::setPart(int part, const wchar_t* text) {
    if (window_ != nullptr)
        SendMessageW(window_, SB_SETTEXTW, static_cast<WPARAM>(part),
                     reinterpret_cast<LPARAM>(text));
}

}  // namespace kavri
