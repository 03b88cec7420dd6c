#include "ui/win32/about_dialog.h"

#include "kavri_version.h"
#include "ui/win32/dialog_centring.h"
#include "ui/win32/resource.h"

namespace kavri {

namespace {

INT_PTR CALLBACK aboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            centreOverOwner(dialog);
            SetDlgItemTextW(dialog, IDC_VERSION, L"Version: " KAVRI_VERSION_TEXT);
            return TRUE;
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
