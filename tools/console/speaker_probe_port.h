#pragma once

#include <atomic>
#include <memory>

#include "audio/wave_player.h"

namespace kavri {

// The system's speaker output, passed through, noting whether it opened, so
// that the console can tell the user where the sound went.
class SpeakerProbePort : public WaveOutPort {
  public:
    explicit SpeakerProbePort(std::unique_ptr<WaveOutPort> system) : system_(std::move(system)) {}

    bool openOutput(WavePlayer* player) override {
        const bool opened = system_->openOutput(player);
        if (opened) {
            everOpened_ = true;
        }
        return opened;
    }
    bool prepare(int index, const uint8_t* data, int bytes) override {
        return system_->prepare(index, data, bytes);
    }
    void unprepare(int index) override { system_->unprepare(index); }
    bool write(int index) override { return system_->write(index); }
    void closeOutput() override { system_->closeOutput(); }

    bool everOpened() const { return everOpened_.load(); }

  private:
    std::unique_ptr<WaveOutPort> system_;
    std::atomic<bool> everOpened_{false};
};

}  // namespace kavri
