#pragma once

#include <cstdint>
#include <string>

#include "transport/bluetooth/bluetooth_device_list.h"

namespace kavri {

// The devices BlueZ remembers for one adapter: a folder per device under the
// adapter's folder, named by the device's address, holding an "info" key
// file with the device's name.

// Fills the list from adapterDir in address order. 0 when at least one
// device was found; -1 otherwise, and then the list is unchanged.
int loadBluezDevices(const std::string& adapterDir, BluetoothDeviceList* list);

// "00:11:22:33:44:55" into address bytes, least significant first.
bool parseBluezAddress(const std::string& text,
                       uint8_t address[BluetoothDeviceRecord::ADDRESS_BYTES]);

// The name in an info file's [General] group: the Alias the user gave the
// device, else its Name; empty when it has neither.
std::string bluezDeviceName(const std::string& infoText);

}  // namespace kavri
