#pragma once

#include <windows.h>

#include <shellapi.h>

namespace kavri {

// The notification-area icon and its pop-up menu.
class TrayIcon {
  public:
    static constexpr UINT ICON_ID = 1;

    TrayIcon() = default;
    ~TrayIcon() { remove(); }
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    void add(HWND owner, HINSTANCE instance);
    void remove();
    // Shows the pop-up menu at the cursor; the chosen item arrives at the
    // owner as WM_COMMAND.
    void showMenu(bool disconnected);

  private:
    NOTIFYICONDATAW data_{};
    bool added_ = false;
};

}  // namespace kavri
