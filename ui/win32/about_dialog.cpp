#include "ui/win32/about_dialog.h"

#include <cwchar>

#include "ui/win32/dialog_centring.h"
#include "ui/win32/resource.h"

namespace kavri {

namespace {

constexpr int kVersionMajor = 3;
constexpr int kVersionMinor = 5;

INT_PTR CALLBACK aboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            centreOverOwner(dialog);
            wchar_t text[64];
            std::swprintf(text, 64, L"Version: %d.%d", kVersionMajor, kVersionMinor);
            SetDlgItemTextW(dialog, IDC_VERSION, text);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void runAboutDialog(HINSTANCE instance, HWND owner) {
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_ABOUT), owner, aboutProc, 0);
}

}  // namespace kavri
