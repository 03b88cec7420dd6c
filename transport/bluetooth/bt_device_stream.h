#pragma once

#include <memory>

#include "platform/socket_compat.h"
#include "transport/bluetooth/bluetooth_device_record.h"
#include "transport/socket_stream.h"

namespace kavri {

// The control stream over Bluetooth: an RFCOMM connection to the phone's
// serial port service, which also carries the media packets.
class BtDeviceStream : public SocketStream {
  public:
    // The service name taken when no record is accepted whatever its name.
    static constexpr const char* WANTED_SERVICE_NAME = "Kavri";

    explicit BtDeviceStream(std::unique_ptr<BluetoothDeviceRecord> device);
    // For the device with this address (least significant byte first).
    explicit BtDeviceStream(const uint8_t address[BluetoothDeviceRecord::ADDRESS_BYTES]);

    // RESULT_OK when connected, RESULT_CANNOT_CONNECT otherwise.
    int open() override;

    const BluetoothDeviceRecord& device() const { return *device_; }

  private:
    std::unique_ptr<BluetoothDeviceRecord> device_;
};

}  // namespace kavri
