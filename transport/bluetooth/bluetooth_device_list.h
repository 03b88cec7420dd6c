#pragma once

#include <cstdint>
#include <memory>

#include "transport/bluetooth/bluetooth_device_record.h"

namespace kavri {

// The Bluetooth devices the computer remembers, in the order the system
// reports them, for the transport dialog.
class BluetoothDeviceList {
  public:
    static constexpr int CAPACITY = 80;

    // Fills the list with the remembered devices; no inquiry is made, so no
    // radio search time is spent. 0 when at least one device was found; -1
    // when none was or there is no radio, and then the list is unchanged.
    int enumerateDevices();

    // Appends a record unless all CAPACITY slots are taken; false then.
    // name holds nameUnits code units (or fewer, up to a terminator).
    bool append(const uint8_t address[BluetoothDeviceRecord::ADDRESS_BYTES], const char16_t* name,
                int nameUnits);
    void clear();

    int getCount() const { return count_; }
    // The i-th record, or null when i is out of range.
    const BluetoothDeviceRecord* get(int i) const;

  private:
    std::unique_ptr<BluetoothDeviceRecord> records_[CAPACITY];
    int count_ = 0;
};

}  // namespace kavri
