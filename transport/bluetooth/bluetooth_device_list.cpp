#include "transport/bluetooth/bluetooth_device_list.h"

#include <cstring>

namespace kavri {

bool BluetoothDeviceList::append(const uint8_t address[BluetoothDeviceRecord::ADDRESS_BYTES],
                                 const char16_t* name, int nameUnits) {
    // More remembered devices than slots: the rest are left out.
    if (count_ >= CAPACITY) {
        return false;
    }
    auto record = std::make_unique<BluetoothDeviceRecord>();
    std::memcpy(record->address, address, BluetoothDeviceRecord::ADDRESS_BYTES);
    record->setName(name, nameUnits);
    records_[count_++] = std::move(record);
    return true;
}

void BluetoothDeviceList::clear() {
    for (auto& record : records_) {
        record.reset();
    }
    count_ = 0;
}

const BluetoothDeviceRecord* BluetoothDeviceList::get(int i) const {
    return (i >= 0 && i < count_) ? records_[i].get() : nullptr;
}

}  // namespace kavri
