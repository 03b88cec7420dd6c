#include "ui/win32/main_window.h"

#include "settings/settings.h"
#include "ui/status_texts.h"
#include "ui/win32/about_dialog.h"
#include "ui/win32/ports_dialog.h"
#include "ui/win32/resource.h"
#include "ui/win32/statistics_dialog.h"

namespace kavri {

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance), view_(instance, statusBar_) {}

MainWindow::~MainWindow() {
    // Normally gone with WM_DESTROY already; this covers a failed creation.
    workers_.reset();
    control_.reset();
}

void MainWindow::registerClass(HINSTANCE instance, const wchar_t* className) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_MAIN));
    wc.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_SMALL));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszMenuName = MAKEINTRESOURCEW(IDR_MAIN);
    wc.lpszClassName = className;
    RegisterClassExW(&wc);
}

HWND MainWindow::create(const wchar_t* className, const wchar_t* title) {
    int x = 0, y = 0, w = 0, h = 0;
    Settings::getWindowPos(&x, &y, &w, &h);
    return CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW, x, y, w, h, nullptr, nullptr,
                           instance_, this);
}

LRESULT CALLBACK MainWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    const LRESULT result = self->handle(message, wParam, lParam);
    if (message == WM_NCDESTROY)
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return result;
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            onCreate();
            return 0;
        case WM_DESTROY:
            onDestroy();
            return 0;
        case WM_MOVE:
            onMove(wParam, lParam);
            return 0;
        case WM_SIZE:
            onSize(wParam, lParam);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(window_, &ps);
            EndPaint(window_, &ps);
            return 0;
        }
        case WM_CLOSE:
            ShowWindow(window_, SW_HIDE);
            return 0;
        case WM_COMMAND:
            if (onCommand(LOWORD(wParam)))
                return 0;
            break;
        case WM_TIMER:
            onTimer(wParam);
            return 0;
        case WM_TRAY_NOTIFY:
            onTrayNotify(LOWORD(lParam));
            return 1;
        case WM_PLAYER_STATE:
            onPlayerState(static_cast<int>(wParam), static_cast<int>(lParam));
            return 0;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void MainWindow::onCreate() {
    callback_ = std::make_unique<MyPlayerCallback>(window_);
    control_ = std::make_unique<ControllerControl>(callback_.get());
    view_.attach(window_);
    workers_ = std::make_unique<ConnectionWorkers>(*control_, view_);

    statusBar_.create(window_, instance_);
    statusBar_.setTransportText(transportText(Settings::getTransportType()));
    statusBar_.setStateText(stateText(Disconnected));

    HMENU menu = GetMenu(window_);
    CheckMenuItem(menu, IDM_PLAY_IN_SPEAKER,
                  MF_BYCOMMAND | (Settings::isPlayLocally() ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, IDM_AUTO_RECONNECT,
                  MF_BYCOMMAND | (Settings::isAutoConnect() ? MF_CHECKED : MF_UNCHECKED));

    if (Settings::isAutoConnect())
        workers_->autoConnectAtStartup();
    tray_.add(window_, instance_);
}

void MainWindow::onDestroy() {
    destroying_ = true;
    tray_.remove();
    Settings::save();
    view_.closeProgress();
    // Reports that arrive from now on are not handled any more.
    workers_.reset();
    if (callback_)
        callback_->close();
    if (control_)
        control_->destroy();
    control_.reset();
    callback_.reset();
    statusBar_.forget();
    PostQuitMessage(0);
}

void MainWindow::onMove(WPARAM wParam, LPARAM lParam) {
    if (IsIconic(window_))
        return;
    statusBar_.relayout(wParam, lParam);
    rememberRect();
}

void MainWindow::onSize(WPARAM wParam, LPARAM lParam) {
    statusBar_.relayout(wParam, lParam);
    if (wParam == SIZE_RESTORED)
        rememberRect();
}

void MainWindow::rememberRect() {
    RECT r{};
    GetWindowRect(window_, &r);
    Settings::setWindowPos(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

bool MainWindow::onCommand(int id) {
    switch (id) {
        case IDM_ABOUT:
            runAboutDialog(instance_, window_);
            return true;
        case IDM_EXIT:
            exitCommand();
            return true;
        case IDM_CONNECT:
            if (workers_)
                workers_->connectCommand();
            return true;
        case IDM_DISCONNECT:
            if (workers_)
                workers_->disconnectCommand();
            return true;
        case IDM_PLAY_IN_SPEAKER:
            toggle(IDM_PLAY_IN_SPEAKER, &Settings::isPlayLocally, &Settings::setPlayLocally);
            return true;
        case IDM_AUTO_RECONNECT:
            toggle(IDM_AUTO_RECONNECT, &Settings::isAutoConnect, &Settings::setAutoConnect);
            return true;
        case IDM_PORTS:
            runPortsDialog(instance_, window_);
            return true;
        case IDM_STATISTICS:
            runStatisticsDialog(instance_, window_);
            return true;
        default:
            return false;
    }
}

void MainWindow::toggle(int menuId, bool (*get)(), void (*set)(bool)) {
    const bool on = !get();
    set(on);
    CheckMenuItem(GetMenu(window_), static_cast<UINT>(menuId),
                  MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void MainWindow::exitCommand() {
    if (control_ && control_->getState() != Disconnected) {
        MessageBoxW(window_, L"Please disconnect first before exiting.", L"Kavri Client", MB_OK);
        return;
    }
    if (reportDepth_ > 0) {
        // The reporting controller thread is still waiting for this report;
        // destroying the controller under it is left until the report is done.
        exitAfterReport_ = true;
        return;
    }
    DestroyWindow(window_);
}

void MainWindow::onTrayNotify(UINT mouseMessage) {
    if (mouseMessage == WM_LBUTTONDOWN) {
        ShowWindow(window_, SW_SHOWNORMAL);
        SetForegroundWindow(window_);
    } else if (mouseMessage == WM_RBUTTONDOWN) {
        tray_.showMenu(!control_ || control_->getState() == Disconnected);
    }
}

void MainWindow::onPlayerState(int state, int result) {
    if (destroying_ || !workers_)
        return;
    ++reportDepth_;
    workers_->onStateChanged(state, result);
    --reportDepth_;
    if (reportDepth_ == 0 && exitAfterReport_) {
        exitAfterReport_ = false;
        PostMessageW(window_, WM_COMMAND, IDM_EXIT, 0);
    }
}

void MainWindow::onTimer(UINT_PTR id) {
    if (view_.takeReconnectTimer(id) && workers_)
        workers_->onReconnectDue();
}

}  // namespace kavri
