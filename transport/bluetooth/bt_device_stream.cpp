#include "transport/bluetooth/bt_device_stream.h"

#include <cstring>

#include "transport/bluetooth/service_discovery.h"

namespace kavri {

namespace {

constexpr int CANNOT_CONNECT = -5;

}  // namespace

BtDeviceStream::BtDeviceStream(std::unique_ptr<BluetoothDeviceRecord> device)
    : device_(device ? std::move(device) : std::make_unique<BluetoothDeviceRecord>()) {}

BtDeviceStream::BtDeviceStream(const uint8_t address[BluetoothDeviceRecord::ADDRESS_BYTES])
    : device_(std::make_unique<BluetoothDeviceRecord>()) {
    std::memcpy(device_->address, address, BluetoothDeviceRecord::ADDRESS_BYTES);
}

BtDeviceStream::~BtDeviceStream() {
    close();
}

int BtDeviceStream::open() {
    // First any serial port service with an RFCOMM channel, then only ours by
    // name.
    socket_t s = connectService(*device_, nullptr, true);
    if (s == INVALID_SOCKET_VALUE) {
        s = connectService(*device_, WANTED_SERVICE_NAME, false);
    }
    socket_ = s;
    return s == INVALID_SOCKET_VALUE ? CANNOT_CONNECT : 0;
}

void BtDeviceStream::adopt(socket_t connected) {
    close();
    socket_ = connected;
}

void BtDeviceStream::close() {
    if (socket_ != INVALID_SOCKET_VALUE) {
        closeSocket(socket_);
        socket_ = INVALID_SOCKET_VALUE;
    }
}

void BtDeviceStream::read(uint8_t* buffer, int length) {
    if (socket_ == INVALID_SOCKET_VALUE) {
        throw EXCEPTION_NOT_OPEN;
    }
    int done = 0;
    while (done < length) {
        // The wait restarts for every piece, so a slow but steady reply is
        // not cut off.
        if (waitReadable(socket_, RECEIVE_TIMEOUT_MS) <= 0) {
            throw EXCEPTION_TIMEOUT;
        }
        const int got = receiveSome(socket_, buffer + done, length - done);
        if (got <= 0) {
            throw EXCEPTION_RECEIVE_FAILED;
        }
        done += got;
    }
}

void BtDeviceStream::write(const uint8_t* buffer, int length) {
    if (socket_ == INVALID_SOCKET_VALUE) {
        throw EXCEPTION_NOT_OPEN;
    }
    int done = 0;
    while (done < length) {
        const int sent = sendSome(socket_, buffer + done, length - done);
        if (sent < 0) {
            close();
            throw EXCEPTION_SEND_FAILED;
        }
        done += sent;
    }
}

}  // namespace kavri
