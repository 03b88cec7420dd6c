#pragma once

#include <cstdint>

#include "transport/bluetooth/bluetooth_device_list.h"

namespace kavri {

// The radio buttons of the transport dialog.
enum class TransportRadio { None, Bluetooth, Usb, WiFi };

// The device the list opens on: the last one whose first four address bytes
// match the stored address, or the first.
int initialDeviceIndex(const BluetoothDeviceList& devices, const uint8_t stored[6]);

// The radio ticked when the dialog opens. Bluetooth is ticked only when
// there is a device to choose.
TransportRadio initialRadio(int transportType, int deviceCount);

// What the user left in the dialog when pressing OK.
struct TransportChoice {
    TransportRadio radio = TransportRadio::None;
    int selection = -1;  // index in the device list, -1 for none
    const BluetoothDeviceList* devices = nullptr;
    const char16_t* wifiText = u"";  // the address edit, as typed
};

// Stores the choice into the settings. A Bluetooth choice without a valid
// selection, or no radio ticked, changes nothing. A Wi-Fi address whose
// UTF-8 form exceeds the store's 255 bytes is cut at a character boundary.
void applyTransportChoice(const TransportChoice& choice);

}  // namespace kavri
