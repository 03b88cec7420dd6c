// Drives KavriClient.exe for the GUI test. Reads one command per line from
// standard input (fields separated by '|') and answers each with one line:
// "ok" and a result, or "fail" and a reason. Texts are printed as UTF-8 with
// \n, \r, \t and \\ escaped. Every wait is bounded by the time-out it names.
// Commands, controls and mouse messages are named as in the program's
// resource header (IDM_CONNECT, IDC_WIFI_ADDR, WM_RBUTTONDOWN).
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "accept_recorder.h"
#include "app_probe.h"
#include "driver_text.h"
#include "resource_names.h"
#include "tests/support/poll_until.h"
#include "ui/win32/resource.h"

using kavri::test::pollUntil;

namespace {

AppProbe probe;
AcceptRecorder recorder;

// Thrown for a field that should name a resource but does not.
struct UnknownName {
    std::wstring name;
};

void reply(bool ok, const std::wstring& text = L"") {
    std::string line = ok ? "ok" : "fail";
    if (!text.empty())
        line += " " + toUtf8(escapeText(text));
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::wstring rectText(const RECT& r) {
    return std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
           std::to_wstring(r.right) + L" " + std::to_wstring(r.bottom);
}

std::wstring rectText(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return rectText(r);
}

// "enabled", "disabled" (MF_DISABLED alone), "grayed" or "grayed+disabled",
// then "checked" or "unchecked".
std::wstring menuStateText(UINT state) {
    static const wchar_t* const kEnable[] = {L"enabled", L"grayed", L"disabled",
                                             L"grayed+disabled"};
    return std::wstring(kEnable[state & (MF_GRAYED | MF_DISABLED)]) +
           ((state & MF_CHECKED) ? L" checked" : L" unchecked");
}

// The number of FlashWindowEx calls and the last request, with its window,
// flags and size named where they are the expected ones.
std::wstring flashText(const probe::ProbeAnswer& a, HWND main) {
    if (a.count == 0)
        return L"0";
    const FLASHWINFO& f = a.flash;
    return std::to_wstring(a.count) + L" window=" + (f.hwnd == main ? L"main" : L"other") +
           L" flags=" + (f.dwFlags == FLASHW_ALL ? L"FLASHW_ALL" : std::to_wstring(f.dwFlags)) +
           L" count=" + std::to_wstring(f.uCount) + L" rate=" + std::to_wstring(f.dwTimeout) +
           L" size=" + (f.cbSize == sizeof(FLASHWINFO) ? L"sizeof" : std::to_wstring(f.cbSize));
}

// Has the window and its children painted now, before a screenshot; the
// paint messages are sent to the client's thread and answered before this
// returns.
bool paintNow(HWND window) {
    return RedrawWindow(window, nullptr, nullptr,
                        RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN) != 0;
}

void postCommand(HWND window, int id) {
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

bool readClipboard(std::wstring& text) {
    if (!OpenClipboard(nullptr))
        return false;
    bool ok = false;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text.assign(chars, wcsnlen(chars, GlobalSize(data) / sizeof(wchar_t)));
            GlobalUnlock(data);
            ok = true;
        }
    }
    CloseClipboard();
    return ok;
}

void clearClipboard() {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

// One command; f[0] is its name.
void run(const std::vector<std::wstring>& f) {
    const std::wstring& name = f[0];
    auto arg = [&](size_t i) { return i < f.size() ? f[i] : std::wstring(); };
    auto num = [&](size_t i) { return _wtoi(arg(i).c_str()); };
    auto id = [&](size_t i) {
        int value = 0;
        if (!resourceValue(arg(i), value))
            throw UnknownName{arg(i)};
        return value;
    };

    if (name == L"find-main") {
        HWND main = probe.findMain(num(1));
        return main ? reply(true, rectText(main)) : reply(false, L"no main window or no probe");
    }
    if (name == L"listen") {
        const int port = recorder.start();
        return port ? reply(true, std::to_wstring(port)) : reply(false, L"cannot listen");
    }
    if (name == L"relay-next") {  // port
        recorder.relayNext(num(1));
        return reply(true);
    }
    if (name == L"wait-until") {  // milliseconds since listen: shapes a scenario in time
        const unsigned until = static_cast<unsigned>(num(1));
        return reply(pollUntil(30000, [&] { return recorder.elapsed() >= until; }));
    }
    if (name == L"wait-accepts") {  // count|timeout: the times of the first count
        std::vector<unsigned> times;
        const bool ok = pollUntil(num(2), [&] {
            times = recorder.times();
            return static_cast<int>(times.size()) >= num(1);
        });
        std::wstring all;
        for (unsigned t : times)
            all += (all.empty() ? L"" : L" ") + std::to_wstring(t);
        return reply(ok, all);
    }
    if (probe.main() == nullptr)
        return reply(false, L"find-main first");
    HWND main = probe.main();

    if (name == L"status") {
        std::wstring text;
        return probe.statusText(num(1), text) ? reply(true, text)
                                              : reply(false, L"status bar unreadable");
    }
    if (name == L"wait-status") {  // part|timeout|text
        std::wstring text;
        const bool ok =
            pollUntil(num(2), [&] { return probe.statusText(num(1), text) && text == arg(3); });
        return reply(ok, text);
    }
    if (name == L"command")
        return PostMessageW(main, WM_COMMAND, id(1), 0), reply(true);
    if (name == L"tray")
        return PostMessageW(main, WM_TRAY_NOTIFY, 1, id(1)), reply(true);
    if (name == L"menu") {  // command: its state in the menu bar
        probe::ProbeAnswer a{};
        if (!probe.ask(probe::MENU_BAR_ITEM, id(1), a) || !a.found)
            return reply(false, L"no menu item " + arg(1));
        return reply(true, menuStateText(a.state));
    }
    if (name == L"popup-menu") {  // the shown pop-up menu's items, in order
        std::wstring all;
        probe::ProbeAnswer a{};
        for (int i = 0; probe.ask(probe::POPUP_ITEM, i, a) && a.found && i < a.count; ++i) {
            all += (all.empty() ? L"" : L"|") + std::wstring(a.text) + L":" + commandName(a.id) +
                   L":" + menuStateText(a.state);
        }
        return all.empty() ? reply(false, L"no pop-up menu") : reply(true, all);
    }
    if (name == L"popup-item-rect") {  // position
        probe::ProbeAnswer a{};
        if (!probe.ask(probe::POPUP_ITEM, num(1), a) || !a.found)
            return reply(false, L"no pop-up item " + arg(1));
        return reply(true, rectText(a.rect));
    }
    if (name == L"flashes") {
        probe::ProbeAnswer a{};
        if (!probe.ask(probe::FLASHES, 0, a) || !a.found)
            return reply(false, L"flashes not counted");
        return reply(true, flashText(a, main));
    }
    if (name == L"close")
        return PostMessageW(main, WM_CLOSE, 0, 0), reply(true);
    if (name == L"visible")
        return reply(true, IsWindowVisible(main) ? L"1" : L"0");
    if (name == L"minimize") {
        ShowWindow(main, SW_MINIMIZE);
        return reply(IsIconic(main) != 0);
    }
    if (name == L"wait-visible") {  // 0 or 1|timeout
        const bool ok =
            pollUntil(num(2), [&] { return (IsWindowVisible(main) ? 1 : 0) == num(1); });
        return reply(ok);
    }
    if (name == L"main-rect")
        return reply(true, rectText(main));
    if (name == L"wait-foreground") {  // timeout
        return reply(pollUntil(num(1), [&] { return GetForegroundWindow() == main; }));
    }
    if (name == L"paint-main")
        return reply(paintNow(main));
    if (name == L"main-count") {
        int count = 0;
        for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"KAVRICLIENT", nullptr)) != nullptr;)
            ++count;
        return reply(true, std::to_wstring(count));
    }
    if (name == L"tray-rect") {
        // The shell's notification area (Wine's desktop task bar).
        HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
        return tray ? reply(true, rectText(tray)) : reply(false, L"no notification area");
    }
    if (name == L"wait-menu") {  // 0 or 1|timeout: a pop-up menu is shown or gone
        HWND menu = nullptr;
        const bool ok = pollUntil(num(2), [&] {
            menu = FindWindowW(L"#32768", nullptr);
            return ((menu != nullptr && IsWindowVisible(menu)) ? 1 : 0) == num(1);
        });
        return reply(ok, ok && menu ? rectText(menu) : L"");
    }
    if (name == L"move") {  // x|y|w|h
        SetWindowPos(main, nullptr, num(1), num(2), num(3), num(4), SWP_NOZORDER | SWP_NOACTIVATE);
        return reply(true, rectText(main));
    }
    if (name == L"sync") {
        // Returns once the window thread has pumped its messages, so that a
        // message box a handler opened would exist by now.
        DWORD_PTR ignored = 0;
        const bool ok = SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored) != 0;
        return reply(ok);
    }
    if (name == L"dialogs") {
        std::wstring all;
        for (const std::wstring& caption : probe.dialogCaptions())
            all += (all.empty() ? L"" : L"|") + caption;
        return reply(true, all);
    }
    if (name == L"wait-dialog") {  // caption|timeout
        HWND dialog = nullptr;
        const bool ok =
            pollUntil(num(2), [&] { return (dialog = probe.findDialog(arg(1))) != nullptr; });
        return ok ? reply(true, rectText(dialog)) : reply(false, L"no dialog " + arg(1));
    }
    if (name == L"wait-gone") {  // caption|timeout
        return reply(pollUntil(num(2), [&] { return probe.findDialog(arg(1)) == nullptr; }));
    }

    HWND dialog = probe.findDialog(arg(1));
    if (name == L"clear-clipboard")
        return clearClipboard(), reply(true);
    if (name == L"wait-clipboard") {  // -|timeout
        std::wstring text;
        return reply(pollUntil(num(2), [&] { return readClipboard(text); }), text);
    }
    if (dialog == nullptr)
        return reply(false, L"no dialog " + arg(1));
    if (name == L"text")
        return reply(true, windowText(GetDlgItem(dialog, id(2))));  // caption|id
    if (name == L"statics") {                                       // caption
        std::wstring all;
        for (const std::wstring& text : probe.staticTexts(dialog))
            all += (all.empty() ? L"" : L"|") + text;
        return reply(true, all);
    }
    if (name == L"set-text") {  // caption|id|text
        SendMessageTimeoutW(GetDlgItem(dialog, id(2)), WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>(arg(3).c_str()), SMTO_ABORTIFHUNG, 5000,
                            nullptr);
        return reply(true);
    }
    if (name == L"checked") {  // caption|id
        DWORD_PTR state = 0;
        SendMessageTimeoutW(GetDlgItem(dialog, id(2)), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000,
                            &state);
        return reply(true, state == BST_CHECKED ? L"1" : L"0");
    }
    if (name == L"enabled")
        return reply(true, IsWindowEnabled(GetDlgItem(dialog, id(2))) ? L"1" : L"0");
    if (name == L"press")
        return postCommand(dialog, id(2)), reply(true);  // caption|id
    if (name == L"click") {  // caption|id: a button clicked as by the mouse
        DWORD_PTR ignored = 0;
        const bool ok = SendMessageTimeoutW(GetDlgItem(dialog, id(2)), BM_CLICK, 0, 0,
                                            SMTO_ABORTIFHUNG, 5000, &ignored) != 0;
        return reply(ok);
    }
    if (name == L"rect")
        return reply(true, rectText(dialog));
    if (name == L"paint")
        return reply(paintNow(dialog));
    reply(false, L"unknown command " + name);
}

}  // namespace

int wmain() {
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        const std::vector<std::wstring> fields = splitFields(fromUtf8(line));
        if (fields[0] == L"quit")
            break;
        try {
            run(fields);
        } catch (const UnknownName& unknown) {
            reply(false, L"unknown name " + unknown.name);
        }
    }
    return 0;
}
