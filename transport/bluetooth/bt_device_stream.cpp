#include "transport/bluetooth/bt_device_stream.h"

#include <cstring>

#include "common/result_codes.h"
#include "transport/bluetooth/service_discovery.h"

namespace kavri {

BtDeviceStream::BtDeviceStream(std::unique_ptr<BluetoothDeviceRecord> device)
    : device_(device ? std::move(device) : std::make_unique<BluetoothDeviceRecord>()) {}

BtDeviceStream::BtDeviceStream(const uint8_t address[BluetoothDeviceRecord::ADDRESS_BYTES])
    : device_(std::make_unique<BluetoothDeviceRecord>()) {
    std::memcpy(device_->address, address, BluetoothDeviceRecord::ADDRESS_BYTES);
}

int BtDeviceStream::open() {
    // First any serial port service with an RFCOMM channel, then only ours by
    // name.
    socket_t s = connectService(*device_, nullptr, true);
    if (s == INVALID_SOCKET_VALUE) {
        s = connectService(*device_, WANTED_SERVICE_NAME, false);
    }
    adopt(s);
    return isOpen() ? RESULT_OK : RESULT_CANNOT_CONNECT;
}

}  // namespace kavri
