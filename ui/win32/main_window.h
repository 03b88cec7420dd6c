#pragma once

#include <windows.h>

#include <memory>

#include "ui/connection_workers.h"
#include "ui/win32/controller_control.h"
#include "ui/win32/my_player_callback.h"
#include "ui/win32/status_bar.h"
#include "ui/win32/tray_icon.h"
#include "ui/win32/win32_connection_view.h"

namespace kavri {

// The program's one window: menu bar, status bar, notification icon, and
// the owner of the controller. Closing it only hides it; it ends through the
// Exit command while disconnected.
class MainWindow {
  public:
    explicit MainWindow(HINSTANCE instance);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    static void registerClass(HINSTANCE instance, const wchar_t* className);
    // Creates the window at the rectangle the settings hold; null on failure.
    HWND create(const wchar_t* className, const wchar_t* title);
    // After the first show: a connection started during creation may already
    // show its progress pop-up, which must not stay behind the window.
    void afterFirstShow() { view_.raiseProgress(); }

  private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

    void onCreate();
    void onDestroy();
    void onMove(WPARAM wParam, LPARAM lParam);
    void onSize(WPARAM wParam, LPARAM lParam);
    bool onCommand(int id);
    void onTrayNotify(UINT mouseMessage);
    void onPlayerState(int state, int result);
    void onTimer(UINT_PTR id);
    void exitCommand();
    void toggle(int menuId, bool (*get)(), void (*set)(bool));
    void rememberRect();

    HINSTANCE instance_;
    HWND window_ = nullptr;
    StatusBar statusBar_;
    TrayIcon tray_;
    Win32ConnectionView view_;
    std::unique_ptr<MyPlayerCallback> callback_;
    std::unique_ptr<ControllerControl> control_;
    std::unique_ptr<ConnectionWorkers> workers_;
    // State reports being handled right now (a handler may nest a modal loop).
    int reportDepth_ = 0;
    // Exit was chosen inside a report's modal loop: run it once that is over.
    bool exitAfterReport_ = false;
    bool destroying_ = false;
};

}  // namespace kavri
