#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/mic_device.h"

namespace kavri::test {

// The audio the controller handed to the device, as the client saw it.
struct HandedAudio {
    std::mutex mutex;
    std::vector<std::vector<int16_t>> frames;

    std::vector<std::vector<int16_t>> copy() {
        std::lock_guard<std::mutex> lock(mutex);
        return frames;
    }
};

// The system's microphone port, unchanged, noting every block of audio it is
// given on its way to the driver, so that what the driver received can be
// held against what the client sent.
class ForwardingMicPort : public MicDevicePort {
  public:
    explicit ForwardingMicPort(std::shared_ptr<HandedAudio> audio)
        : system_(makeSystemMicDevicePort()), audio_(std::move(audio)) {}

    bool openDevice() override { return system_->openDevice(); }
    bool control(uint32_t code, const void* input, uint32_t inputSize, void* output,
                 uint32_t outputSize) override {
        if (code == MicDevice::IOCTL_MIC_WRITE_AUDIO)
            note(input, inputSize);
        return system_->control(code, input, inputSize, output, outputSize);
    }
    void writeFile(const void* data, uint32_t size) override {
        note(data, size);
        system_->writeFile(data, size);
    }
    void closeDevice() override { system_->closeDevice(); }

  private:
    void note(const void* data, uint32_t size) {
        const auto* samples = static_cast<const int16_t*>(data);
        std::lock_guard<std::mutex> lock(audio_->mutex);
        audio_->frames.emplace_back(samples, samples + size / 2);
    }

    std::unique_ptr<MicDevicePort> system_;
    std::shared_ptr<HandedAudio> audio_;
};

}  // namespace kavri::test
