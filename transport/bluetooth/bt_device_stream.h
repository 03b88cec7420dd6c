#pragma once

#include <memory>

#include "platform/socket_compat.h"
#include "transport/bluetooth/bluetooth_device_record.h"
#include "transport/control_stream.h"

namespace kavri {

// The control stream over Bluetooth: an RFCOMM connection to the phone's
// serial port service, which also carries the media packets.
class BtDeviceStream : public ControlStream {
  public:
    static constexpr int RECEIVE_TIMEOUT_MS = 5000;
    // The service name taken when no record is accepted whatever its name.
    static constexpr const char* WANTED_SERVICE_NAME = "Kavri";

    explicit BtDeviceStream(std::unique_ptr<BluetoothDeviceRecord> device);
    // For the device with this address (least significant byte first).
    explicit BtDeviceStream(const uint8_t address[BluetoothDeviceRecord::ADDRESS_BYTES]);
    ~BtDeviceStream() override;
    BtDeviceStream(const BtDeviceStream&) = delete;
    BtDeviceStream& operator=(const BtDeviceStream&) = delete;

    // 0 when connected, -5 otherwise.
    int open() override;
    void close() override;
    void read(uint8_t* buffer, int length) override;
    void write(const uint8_t* buffer, int length) override;

    bool isOpen() const { return socket_ != INVALID_SOCKET_VALUE; }
    const BluetoothDeviceRecord& device() const { return *device_; }
    // Takes over a socket that is already connected in place of open(); for
    // tests and tools that stand in for the phone's RFCOMM service.
    void adopt(socket_t connected);

  private:
    socket_t socket_ = INVALID_SOCKET_VALUE;
    std::unique_ptr<BluetoothDeviceRecord> device_;
};

}  // namespace kavri
