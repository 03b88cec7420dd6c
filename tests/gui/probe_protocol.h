#pragma once

#include <windows.h>

#include <cstdint>

// What the GUI driver asks the probe that runs inside the client's window
// thread, and the record the probe fills in. Menus and the client's own calls
// cannot be read from another process under Wine, so the probe reads them
// where they live.
namespace probe {

// Registered window message, sent to the client's main window:
// wParam = query | argument << 16, lParam = a ProbeAnswer in the client's memory.
constexpr wchar_t MESSAGE_NAME[] = L"KavriGuiProbe";
// Result of the send once the probe has answered.
constexpr LRESULT ANSWERED = 0x4B50;

enum Query : WPARAM {
    PING = 1,
    MENU_BAR_ITEM = 2,  // argument: command id
    POPUP_ITEM = 3,     // argument: position in the shown pop-up menu
    FLASHES = 4,
};

struct ProbeAnswer {
    int32_t found;       // 0: no such item or menu
    uint32_t state;      // GetMenuState flags
    int32_t id;          // command id
    int32_t count;       // items in the menu; FlashWindowEx calls
    RECT rect;           // screen rectangle of a pop-up item
    FLASHWINFO flash;    // the last FlashWindowEx request
    wchar_t text[64];
};

inline WPARAM request(Query query, int argument) {
    return static_cast<WPARAM>(query) | (static_cast<WPARAM>(argument & 0xFFFF) << 16);
}

}  // namespace probe
