#include "ui/status_texts.h"

namespace kavri {

const wchar_t* stateText(int state) {
    switch (state) {
        case 0:
            return L"Disconnected";
        case 1:
            return L"Connecting...";
        case 2:
            return L"Connected";
        case 3:
            return L"Disconencting...";
        case 4:
            return L"Aborting...";
        case 5:
            return L"Auto connecting...";
        default:
            return L"Unknown state";
    }
}

const wchar_t* transportText(int transportType) {
    switch (transportType) {
        case 1:
            return L"Bluetooth";
        case 2:
            return L"USB";
        case 3:
            return L"WI-FI";
        default:
            return L"";
    }
}

}  // namespace kavri
