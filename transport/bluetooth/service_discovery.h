#pragma once

#include <cstdint>

#include "platform/socket_compat.h"
#include "transport/bluetooth/bluetooth_device_record.h"

namespace kavri {

// Finding the phone's serial port service and connecting to its RFCOMM
// channel. Addresses are 48-bit numbers, byte 0 least significant.

// The first Serial Port service record of the device that matches (any name
// with skipNameCheck, else exactly wantedName) and has an RFCOMM channel.
// 0 with *channel set, or -1. Every lookup asks the phone afresh.
int findServiceChannel(const char* wantedName, bool skipNameCheck, uint64_t address,
                       uint8_t* channel);

// A connected RFCOMM socket to the matching service, or INVALID_SOCKET_VALUE.
socket_t connectService(const BluetoothDeviceRecord& device, const char* wantedName,
                        bool skipNameCheck);

// The system's RFCOMM socket calls.
socket_t openRfcommSocket();
bool connectRfcomm(socket_t s, uint64_t address, uint8_t channel);

}  // namespace kavri
