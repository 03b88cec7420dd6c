// Loaded into KavriClient.exe by the GUI driver's message hook. Answers the
// driver's queries on the client's window thread and counts the client's
// FlashWindowEx calls, whose effect Wine's desktop does not show.
#include <windows.h>

#include <cwchar>

#include "probe_protocol.h"

namespace {

UINT probeMessage = 0;
using FlashFn = BOOL(WINAPI*)(PFLASHWINFO);
FlashFn realFlash = nullptr;
volatile LONG flashCalls = 0;
FLASHWINFO lastFlash{};

BOOL WINAPI countingFlash(PFLASHWINFO info) {
    if (info != nullptr)
        lastFlash = *info;
    InterlockedIncrement(&flashCalls);
    return realFlash(info);
}

// Points the program's import of FlashWindowEx at countingFlash.
void redirectFlash() {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0)
        return;
    realFlash = reinterpret_cast<FlashFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "FlashWindowEx")));
    if (realFlash == nullptr)
        return;
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         imp->Name != 0; ++imp) {
        for (auto* thunk = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
             thunk->u1.Function != 0; ++thunk) {
            if (thunk->u1.Function != reinterpret_cast<ULONG_PTR>(realFlash))
                continue;
            DWORD old = 0;
            VirtualProtect(&thunk->u1.Function, sizeof(ULONG_PTR), PAGE_READWRITE, &old);
            thunk->u1.Function = reinterpret_cast<ULONG_PTR>(&countingFlash);
            VirtualProtect(&thunk->u1.Function, sizeof(ULONG_PTR), old, &old);
        }
    }
}

HMENU shownPopup(HWND& window) {
    window = FindWindowW(L"#32768", nullptr);
    if (window == nullptr || !IsWindowVisible(window))
        return nullptr;
    return reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
}

void fillItem(HMENU menu, UINT item, bool byPosition, probe::ProbeAnswer& a) {
    const UINT flags = byPosition ? MF_BYPOSITION : MF_BYCOMMAND;
    const UINT state = GetMenuState(menu, item, flags);
    if (state == static_cast<UINT>(-1))
        return;
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_STRING;
    info.dwTypeData = a.text;
    info.cch = sizeof a.text / sizeof a.text[0];
    if (!GetMenuItemInfoW(menu, item, byPosition ? TRUE : FALSE, &info))
        return;
    a.found = 1;
    a.state = state;
    a.id = static_cast<int32_t>(info.wID);
    a.count = GetMenuItemCount(menu);
}

void answer(HWND main, WPARAM request, probe::ProbeAnswer& a) {
    const int argument = static_cast<int>((request >> 16) & 0xFFFF);
    switch (request & 0xFFFF) {
        case probe::PING:
            a.found = 1;
            break;
        case probe::MENU_BAR_ITEM:
            fillItem(GetMenu(main), static_cast<UINT>(argument), false, a);
            break;
        case probe::POPUP_ITEM: {
            HWND window = nullptr;
            if (HMENU menu = shownPopup(window)) {
                fillItem(menu, static_cast<UINT>(argument), true, a);
                GetMenuItemRect(window, menu, static_cast<UINT>(argument), &a.rect);
            }
            break;
        }
        case probe::FLASHES:
            a.found = realFlash != nullptr;
            a.count = flashCalls;
            a.flash = lastFlash;
            break;
        default:
            break;
    }
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK probeHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (sent->message == probeMessage && sent->lParam != 0) {
            auto* a = reinterpret_cast<probe::ProbeAnswer*>(sent->lParam);
            *a = probe::ProbeAnswer{};
            answer(sent->hwnd, sent->wParam, *a);
            // The window procedure's own result would be 0; the driver waits
            // for this one.
            ReplyMessage(probe::ANSWERED);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        probeMessage = RegisterWindowMessageW(probe::MESSAGE_NAME);
        redirectFlash();
    }
    return TRUE;
}
