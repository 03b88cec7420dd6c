#include "resource_names.h"

#include <windows.h>

#include <iterator>

#include "ui/win32/resource.h"

namespace {

struct Named {
    const wchar_t* name;
    int value;
};

#define NAMED(x) {L## #x, x}

// Commands first: commandName() takes the first match.
constexpr Named kNames[] = {
    NAMED(IDM_ABOUT),          NAMED(IDM_EXIT),          NAMED(IDM_CONNECT),
    NAMED(IDM_DISCONNECT),     NAMED(IDM_PLAY_IN_SPEAKER), NAMED(IDM_AUTO_RECONNECT),
    NAMED(IDM_PORTS),          NAMED(IDM_STATISTICS),    NAMED(IDC_WIFI_ADDR),
    NAMED(IDC_RADIO_BT),       NAMED(IDC_RADIO_USB),     NAMED(IDC_RADIO_WIFI),
    NAMED(IDC_BT_DEVICES),     NAMED(IDC_CONTROL_PORT),  NAMED(IDC_MEDIA_PORT),
    NAMED(IDC_PROGRESS_TEXT),  NAMED(IDC_VERSION),       NAMED(IDC_STATS_TEXT),
    NAMED(IDC_COPY),           NAMED(IDOK),              NAMED(IDCANCEL),
    NAMED(IDYES),              NAMED(IDNO),              NAMED(WM_LBUTTONDOWN),
    NAMED(WM_RBUTTONDOWN),
};

#undef NAMED

}  // namespace

bool resourceValue(const std::wstring& name, int& value) {
    for (const Named& n : kNames) {
        if (name == n.name) {
            value = n.value;
            return true;
        }
    }
    return false;
}

std::wstring commandName(int id) {
    for (const Named& n : kNames) {
        if (n.value == id)
            return n.name;
    }
    return std::to_wstring(id);
}
