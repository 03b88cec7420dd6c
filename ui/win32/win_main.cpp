// Entry point of KavriClient.exe.
#include <windows.h>

#include <commctrl.h>

#include "settings/settings.h"
#include "ui/win32/main_window.h"
#include "ui/win32/resource.h"
#include "ui/win32/single_instance.h"

namespace {

constexpr int kLoadStringMax = 100;

// Before wWinMain runs, as the first thing the process does.
const kavri::SingleInstance instanceMutex(L"KavriClient");

// Shows the running instance's window, also when it is hidden.
void raiseRunningInstance(const wchar_t* className, const wchar_t* title) {
    HWND running = FindWindowW(className, title);
    if (running == nullptr)
        return;
    ShowWindow(running, SW_SHOW);
    SetForegroundWindow(running);
}

int runMessageLoop(HINSTANCE instance) {
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MAIN));
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorW(msg.hwnd, accelerators, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    wchar_t title[kLoadStringMax] = {};
    wchar_t className[kLoadStringMax] = {};
    LoadStringW(instance, IDS_APP_TITLE, title, kLoadStringMax);
    LoadStringW(instance, IDR_MAIN, className, kLoadStringMax);
    kavri::MainWindow::registerClass(instance, className);

    if (instanceMutex.alreadyRunning()) {
        raiseRunningInstance(className, title);
        return 0;
    }

    // The status bar's window class lives in the common-controls library.
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);

    kavri::Settings::load();
    kavri::MainWindow mainWindow(instance);
    HWND window = mainWindow.create(className, title);
    if (window == nullptr)
        return 0;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    mainWindow.afterFirstShow();
    return runMessageLoop(instance);
}
