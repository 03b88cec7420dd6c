#include "transport/bluetooth/bluetooth_device_record.h"

namespace kavri {

void BluetoothDeviceRecord::setName(const char16_t* text, int count) {
    int n = 0;
    for (; text != nullptr && n < count && n < NAME_UNITS - 1 && text[n] != 0; ++n) {
        name[n] = text[n];
    }
    for (int i = n; i < NAME_UNITS; ++i) {
        name[i] = 0;
    }
}

uint64_t BluetoothDeviceRecord::addressValue() const {
    uint64_t value = 0;
    for (int i = ADDRESS_BYTES - 1; i >= 0; --i) {
        value = value << 8 | address[i];
    }
    return value;
}

void BluetoothDeviceRecord::setAddressValue(uint64_t value) {
    for (int i = 0; i < ADDRESS_BYTES; ++i) {
        address[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

}  // namespace kavri
