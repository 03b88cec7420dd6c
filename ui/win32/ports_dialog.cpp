#include "ui/win32/ports_dialog.h"

#include <cwchar>

#include "settings/settings.h"
#include "ui/port_text.h"
#include "ui/win32/dialog_centring.h"
#include "ui/win32/resource.h"

namespace kavri {

namespace {

constexpr int kTextLimit = 255;  // characters, with the terminator

void showPort(HWND dialog, int id, int port) {
    wchar_t text[16];
    std::swprintf(text, 16, L"%d", port);
    SetDlgItemTextW(dialog, id, text);
}

int readPort(HWND dialog, int id) {
    wchar_t text[kTextLimit] = {};
    GetDlgItemTextW(dialog, id, text, kTextLimit);
    return portFromText(text);
}

INT_PTR CALLBACK portsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            centreOverOwner(dialog);
            showPort(dialog, IDC_CONTROL_PORT, Settings::getControlPort());
            showPort(dialog, IDC_MEDIA_PORT, Settings::getMediaPort());
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                Settings::setControlPort(readPort(dialog, IDC_CONTROL_PORT));
                Settings::setMediaPort(readPort(dialog, IDC_MEDIA_PORT));
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void runPortsDialog(HINSTANCE instance, HWND owner) {
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_PORTS), owner, portsProc, 0);
}

}  // namespace kavri
