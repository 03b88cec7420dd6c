#include "tools/console/tap_mic_port.h"

#include "tools/console/wav_tap.h"

namespace kavri {

namespace {

// As the tap's own driver: audio in plain writes.
constexpr uint8_t TAP_DRIVER_VERSION = 3;

}  // namespace

TapMicPort::TapMicPort(std::unique_ptr<MicDevicePort> system, WavTap* tap)
    : system_(std::move(system)), tap_(tap) {}

bool TapMicPort::openDevice() {
    systemOpen_ = system_ && system_->openDevice();
    if (systemOpen_) {
        everOpened_ = true;
    }
    return systemOpen_ || tap_ != nullptr;
}

bool TapMicPort::control(uint32_t code, const void* input, uint32_t inputSize, void* output,
                         uint32_t outputSize) {
    if (code == MicDevice::IOCTL_MIC_WRITE_AUDIO) {
        tapBytes(input, inputSize);
    }
    if (systemOpen_) {
        return system_->control(code, input, inputSize, output, outputSize);
    }
    if (code == MicDevice::IOCTL_MIC_GET_VERSION) {
        if (output == nullptr || outputSize < 1) {
            return false;
        }
        *static_cast<uint8_t*>(output) = TAP_DRIVER_VERSION;
    }
    return true;
}

void TapMicPort::writeFile(const void* data, uint32_t size) {
    tapBytes(data, size);
    if (systemOpen_) {
        system_->writeFile(data, size);
    }
}

void TapMicPort::closeDevice() {
    if (systemOpen_) {
        system_->closeDevice();
        systemOpen_ = false;
    }
}

void TapMicPort::tapBytes(const void* data, uint32_t size) {
    if (tap_ != nullptr && data != nullptr) {
        tap_->write(static_cast<const int16_t*>(data), static_cast<int>(size / 2));
    }
}

}  // namespace kavri
