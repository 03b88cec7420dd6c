#include "ui/win32/win32_connection_view.h"

#include "ui/win32/resource.h"
#include "ui/win32/transport_dialog.h"

namespace kavri {

Win32ConnectionView::Win32ConnectionView(HINSTANCE instance, StatusBar& statusBar)
    : instance_(instance), statusBar_(statusBar), progress_(instance) {}

void Win32ConnectionView::setStateText(const wchar_t* text) {
    statusBar_.setStateText(text);
}

void Win32ConnectionView::setTransportText(const wchar_t* text) {
    statusBar_.setTransportText(text);
}

void Win32ConnectionView::showProgress(const wchar_t* text) {
    progress_.show(window_, text);
}

void Win32ConnectionView::closeProgress() {
    progress_.close();
}

void Win32ConnectionView::setConnectEnabled(bool connectEnabled) {
    HMENU menu = GetMenu(window_);
    EnableMenuItem(menu, IDM_CONNECT, MF_BYCOMMAND | (connectEnabled ? MF_ENABLED : MF_DISABLED));
    EnableMenuItem(menu, IDM_DISCONNECT,
                   MF_BYCOMMAND | (connectEnabled ? MF_DISABLED : MF_ENABLED));
}

bool Win32ConnectionView::showMessage(const wchar_t* text, const wchar_t* title,
                                      MessageButtons buttons) {
    const UINT type = buttons == MessageButtons::YesNo ? MB_YESNO : MB_OK;
    return MessageBoxW(window_, text, title, type) == IDYES;
}

void Win32ConnectionView::flash() {
    FLASHWINFO info{};
    info.cbSize = sizeof info;
    info.hwnd = window_;
    info.dwFlags = FLASHW_ALL;
    info.uCount = 3;
    info.dwTimeout = 0;
    FlashWindowEx(&info);
}

bool Win32ConnectionView::runTransportDialog() {
    return runSelectTransportDialog(instance_, window_) == IDOK;
}

void Win32ConnectionView::startReconnectTimer(int seconds) {
    // Each retry gets a timer of its own: one that is already waiting keeps
    // its time, as a sleeping retry would.
    const UINT_PTR id = FIRST_TIMER_ID + nextTimer_;
    nextTimer_ = (nextTimer_ + 1) % TIMER_ID_COUNT;
    SetTimer(window_, id, static_cast<UINT>(seconds) * 1000u, nullptr);
}

bool Win32ConnectionView::takeReconnectTimer(UINT_PTR id) {
    if (id < FIRST_TIMER_ID || id >= FIRST_TIMER_ID + TIMER_ID_COUNT)
        return false;
    KillTimer(window_, id);
    return true;
}

}  // namespace kavri
