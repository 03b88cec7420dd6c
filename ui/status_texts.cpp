#include "ui/status_texts.h"

#include "common/transport_type.h"
#include "core/connection_state.h"

namespace kavri {

const wchar_t* stateText(int state) {
    switch (state) {
        case Disconnected:
            return L"Disconnected";
        case Connecting:
            return L"Connecting...";
        case Connected:
            return L"Connected";
        case Disconnecting:
            return L"Disconencting...";
        case Aborting:
            return L"Aborting...";
        case AutoConnecting:
            return L"Auto connecting...";
        default:
            return L"Unknown state";
    }
}

const wchar_t* transportText(int transportType) {
    switch (transportType) {
        case TRANSPORT_BLUETOOTH:
            return L"Bluetooth";
        case TRANSPORT_USB:
            return L"USB";
        case TRANSPORT_WIFI:
            return L"WI-FI";
        default:
            return L"";
    }
}

}  // namespace kavri
