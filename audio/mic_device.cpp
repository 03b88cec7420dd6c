#include "audio/mic_device.h"

namespace kavri {

namespace {

// The one-byte key the client shares with the driver for its handshake.
constexpr uint8_t RESPONSE_KEY = 0x5E;
// Drivers from this version take three frames per request and plain writes.
constexpr uint8_t PLAIN_WRITE_VERSION = 3;
constexpr uint16_t FRAME_SAMPLES = 960;
constexpr uint16_t THREE_FRAME_SAMPLES = 2880;

}  // namespace

MicDevice::MicDevice() : MicDevice(makeSystemMicDevicePort()) {}

MicDevice::MicDevice(std::unique_ptr<MicDevicePort> port)
    : port_(port ? std::move(port) : makeSystemMicDevicePort()) {}

MicDevice::~MicDevice() {
    close();
}

bool MicDevice::open() {
    close();  // never leak a handle from an earlier open
    if (!port_->openDevice()) {
        return false;
    }
    open_ = true;

    uint8_t challenge = 0;
    port_->control(IOCTL_MIC_GET_CHALLENGE, nullptr, 0, &challenge, 1);
    const uint8_t response = challenge ^ RESPONSE_KEY;
    port_->control(IOCTL_MIC_SET_RESPONSE, &response, 1, nullptr, 0);

    version_ = 0;
    uint8_t version = 0;
    if (port_->control(IOCTL_MIC_GET_VERSION, nullptr, 0, &version, 1)) {
        version_ = version;
    }

    const uint16_t samples = version_ < PLAIN_WRITE_VERSION ? FRAME_SAMPLES : THREE_FRAME_SAMPLES;
    const uint8_t count[2] = {static_cast<uint8_t>(samples >> 8),
                              static_cast<uint8_t>(samples & 0xFF)};
    port_->control(IOCTL_MIC_SET_SAMPLE_COUNT, count, sizeof count, nullptr, 0);

    const uint8_t run = 1;
    port_->control(IOCTL_MIC_SET_RUNNING, &run, 1, nullptr, 0);
    return true;
}

void MicDevice::write(const int16_t* samples, int count) {
    if (!open_ || samples == nullptr || count <= 0) {
        return;
    }
    const uint32_t bytes = static_cast<uint32_t>(count) * sizeof(int16_t);
    if (version_ < PLAIN_WRITE_VERSION) {
        port_->control(IOCTL_MIC_WRITE_AUDIO, samples, bytes, nullptr, 0);
    } else {
        port_->writeFile(samples, bytes);
    }
}

void MicDevice::close() {
    if (!open_) {
        return;
    }
    const uint8_t stop = 0;
    port_->control(IOCTL_MIC_SET_RUNNING, &stop, 1, nullptr, 0);
    port_->closeDevice();
    open_ = false;
}

int MicDevice::queryDriverState() {
    return queryDriverState(makeSystemMicDevicePort());
}

int MicDevice::queryDriverState(std::unique_ptr<MicDevicePort> port) {
    MicDevice device(std::move(port));
    device.open();
    const uint8_t version = device.getVersion();
    device.close();
    return version >= 2 ? 1 : 0;
}

}  // namespace kavri
