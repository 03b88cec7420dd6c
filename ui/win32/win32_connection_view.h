#pragma once

#include <windows.h>

#include "ui/connection_view.h"
#include "ui/win32/progress_popup.h"
#include "ui/win32/status_bar.h"

namespace kavri {

// Shows the connection workers' texts, pop-ups and questions on the main
// window. Retries wait in window timers, which die with the window, so a
// retry can never wake after the window and its controller are gone.
class Win32ConnectionView : public ConnectionView {
  public:
    Win32ConnectionView(HINSTANCE instance, StatusBar& statusBar);
    Win32ConnectionView(const Win32ConnectionView&) = delete;
    Win32ConnectionView& operator=(const Win32ConnectionView&) = delete;

    void attach(HWND window) { window_ = window; }
    // True (and the one-shot timer is killed) when id is a retry's timer.
    bool takeReconnectTimer(UINT_PTR id);
    void raiseProgress() { progress_.raise(); }

    void setStateText(const wchar_t* text) override;
    void setTransportText(const wchar_t* text) override;
    void showProgress(const wchar_t* text) override;
    void closeProgress() override;
    void setConnectEnabled(bool connectEnabled) override;
    bool showMessage(const wchar_t* text, const wchar_t* title, MessageButtons buttons) override;
    void flash() override;
    bool runTransportDialog() override;
    void startReconnectTimer(int seconds) override;

  private:
    static constexpr UINT_PTR FIRST_TIMER_ID = 0x4B00;
    static constexpr UINT_PTR TIMER_ID_COUNT = 0x100;

    HINSTANCE instance_;
    StatusBar& statusBar_;
    ProgressPopup progress_;
    HWND window_ = nullptr;
    UINT_PTR nextTimer_ = 0;
};

}  // namespace kavri
