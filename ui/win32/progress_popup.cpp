#include "ui/win32/progress_popup.h"

#include <cwchar>

#include "ui/win32/dialog_centring.h"
#include "ui/win32/resource.h"

namespace kavri {

namespace {

// No buttons: the user cannot dismiss it; it goes at the next state report.
INT_PTR CALLBACK progressProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        centreOverOwner(dialog);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void ProgressPopup::show(HWND owner, const wchar_t* text) {
    close();
    std::wcsncpy(text_, text, TEXT_CAPACITY - 1);
    text_[TEXT_CAPACITY - 1] = L'\0';
    window_ = CreateDialogParamW(instance_, MAKEINTRESOURCEW(IDD_PROGRESS), owner, progressProc, 0);
    if (window_ == nullptr)
        return;
    owner_ = owner;
    SetDlgItemTextW(window_, IDC_PROGRESS_TEXT, text_);
    ShowWindow(window_, SW_SHOW);
    EnableWindow(owner_, FALSE);
}

void ProgressPopup::raise() {
    if (window_ != nullptr)
        SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void ProgressPopup::close() {
    if (window_ == nullptr)
        return;
    EnableWindow(owner_, TRUE);
    DestroyWindow(window_);
    window_ = nullptr;
    owner_ = nullptr;
}

}  // namespace kavri
