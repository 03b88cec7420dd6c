#include "ui/transport_choice.h"

#include <algorithm>

#include "common/transport_type.h"
#include "platform/utf_text.h"
#include "settings/settings.h"

namespace kavri {

int initialDeviceIndex(const BluetoothDeviceList& devices, const uint8_t stored[6]) {
    int chosen = 0;
    for (int i = 0; i < devices.getCount(); ++i) {
        const BluetoothDeviceRecord* record = devices.get(i);
        if (record != nullptr && std::equal(record->address, record->address + 4, stored)) {
            chosen = i;
        }
    }
    return chosen;
}

TransportRadio initialRadio(int transportType, int deviceCount) {
    switch (transportType) {
        case TRANSPORT_BLUETOOTH:
            return deviceCount > 0 ? TransportRadio::Bluetooth : TransportRadio::None;
        case TRANSPORT_USB:
            return TransportRadio::Usb;
        case TRANSPORT_WIFI:
            return TransportRadio::WiFi;
        default:
            return TransportRadio::None;
    }
}

void applyTransportChoice(const TransportChoice& choice) {
    switch (choice.radio) {
        case TransportRadio::Bluetooth: {
            const BluetoothDeviceRecord* record =
                choice.devices != nullptr && choice.selection >= 0 &&
                        choice.selection < choice.devices->getCount()
                    ? choice.devices->get(choice.selection)
                    : nullptr;
            if (record != nullptr) {
                Settings::setBtAddress(record->address);
                Settings::setTransportType(TRANSPORT_BLUETOOTH);
            }
            break;
        }
        case TransportRadio::Usb:
            Settings::setTransportType(TRANSPORT_USB);
            break;
        case TransportRadio::WiFi: {
            constexpr int kMaxBytes = Settings::WIFI_ADDR_SIZE - 1;
            char address[Settings::WIFI_ADDR_SIZE];
            const int length = utf16ToUtf8(choice.wifiText, kMaxBytes, address, kMaxBytes);
            address[length] = '\0';
            Settings::setWifiServerAddr(address);
            Settings::setTransportType(TRANSPORT_WIFI);
            break;
        }
        case TransportRadio::None:
            break;
    }
}

}  // namespace kavri
