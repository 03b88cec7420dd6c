#include "transport/usb/usb_control_stream.h"

#include "common/result_codes.h"
#include "transport/usb/adb_runner.h"

namespace kavri {

namespace {

constexpr char LOOPBACK[] = "127.0.0.1";

}  // namespace

UsbControlStream::~UsbControlStream() {
    close();
}

int UsbControlStream::open() {
    if (!adbHasDevice()) {
        return RESULT_NO_USB_DEVICE;
    }
    // A failed forward shows as a failed connection below.
    adbForward(port_, port_);
    inner_ = std::make_unique<WinSockStream>(LOOPBACK, port_);
    return inner_->open();
}

void UsbControlStream::close() {
    if (!inner_) {
        return;
    }
    inner_->close();
    inner_.reset();
    adbRemoveForward(port_);
}

void UsbControlStream::read(uint8_t* buffer, int length) {
    if (!inner_) {
        throw EXCEPTION_NOT_OPEN;
    }
    inner_->read(buffer, length);
}

void UsbControlStream::write(const uint8_t* buffer, int length) {
    if (!inner_) {
        throw EXCEPTION_NOT_OPEN;
    }
    inner_->write(buffer, length);
}

}  // namespace kavri
