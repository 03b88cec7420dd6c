#pragma once

#include <atomic>
#include <memory>

#include "audio/mic_device.h"

namespace kavri {

class WavTap;

// The system's virtual microphone with a tap on what it is given. With a tap
// the device always opens: when the system microphone is missing, the tap
// stands in for it as a driver that takes plain writes, so the WAV file still
// holds exactly what the playout tick wrote.
class TapMicPort : public MicDevicePort {
  public:
    TapMicPort(std::unique_ptr<MicDevicePort> system, WavTap* tap);

    bool openDevice() override;
    bool control(uint32_t code, const void* input, uint32_t inputSize, void* output,
                 uint32_t outputSize) override;
    void writeFile(const void* data, uint32_t size) override;
    void closeDevice() override;

    // Whether the last open reached the system's microphone.
    bool systemOpened() const { return everOpened_.load(); }

  private:
    void tapBytes(const void* data, uint32_t size);

    std::unique_ptr<MicDevicePort> system_;
    WavTap* tap_;
    bool systemOpen_ = false;
    std::atomic<bool> everOpened_{false};
};

}  // namespace kavri
