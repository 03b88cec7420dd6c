#pragma once

#include <cstdint>

namespace kavri {

// One Bluetooth device the computer knows.
struct BluetoothDeviceRecord {
    static constexpr int ADDRESS_BYTES = 6;
    static constexpr int NAME_UNITS = 128;

    // Least significant byte first, as the system's address byte array.
    uint8_t address[ADDRESS_BYTES] = {};
    // UTF-16 code units, always zero-terminated: a name of NAME_UNITS or more
    // units keeps NAME_UNITS - 1 of them.
    char16_t name[NAME_UNITS] = {};

    // Copies the first units of name (up to its terminator or count units).
    void setName(const char16_t* text, int count);
    // The 48-bit address as a number: byte 0 least significant, top two
    // bytes zero.
    uint64_t addressValue() const;
    void setAddressValue(uint64_t value);
};

}  // namespace kavri
