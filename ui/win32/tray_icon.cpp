#include "ui/win32/tray_icon.h"

#include "ui/win32/resource.h"

namespace kavri {

void TrayIcon::add(HWND owner, HINSTANCE instance) {
    data_ = {};
    data_.cbSize = sizeof data_;
    data_.hWnd = owner;
    data_.uID = ICON_ID;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = WM_TRAY_NOTIFY;
    data_.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_MAIN));
    LoadStringW(instance, IDS_TRAY_TIP, data_.szTip, 64);
    added_ = Shell_NotifyIconW(NIM_ADD, &data_) != FALSE;
}

void TrayIcon::remove() {
    if (!added_)
        return;
    Shell_NotifyIconW(NIM_DELETE, &data_);
    added_ = false;
}

void TrayIcon::showMenu(bool disconnected) {
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr)
        return;
    const UINT connectFlags = MF_STRING | (disconnected ? MF_ENABLED : MF_GRAYED);
    const UINT disconnectFlags = MF_STRING | (disconnected ? MF_GRAYED : MF_ENABLED);
    AppendMenuW(menu, connectFlags, IDM_CONNECT, L"Connect");
    AppendMenuW(menu, disconnectFlags, IDM_DISCONNECT, L"Disconnect");
    AppendMenuW(menu, MF_STRING, IDM_ABOUT, L"About");
    AppendMenuW(menu, MF_STRING, IDM_EXIT, L"Exit");

    POINT cursor{};
    GetCursorPos(&cursor);
    // Without this the menu would not close when the user clicks elsewhere.
    SetForegroundWindow(data_.hWnd);
    TrackPopupMenu(menu, TPM_BOTTOMALIGN | TPM_LEFTALIGN, cursor.x, cursor.y, 0, data_.hWnd,
                   nullptr);
    PostMessageW(data_.hWnd, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

}  // namespace kavri
