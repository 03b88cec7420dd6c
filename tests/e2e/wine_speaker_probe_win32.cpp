// kavri_wine_speaker SECONDS TAP.raw: the Windows client's speaker path for
// the end-to-end test under Wine. Connects to the phone that settings.dat in
// the current directory names, with the system's outputs (waveOut, through
// Wine's driver into the sound server), plays for SECONDS, disconnects, and
// writes every block it handed to waveOut to TAP.raw, so the test knows what
// the sink should have played.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

#include "audio/mic_device.h"
#include "audio/playout_timer.h"
#include "audio/wave_player.h"
#include "core/mic_controller.h"
#include "settings/settings.h"

namespace {

using namespace kavri;

class Callback : public PlayerCallback {
  public:
    void onStateChanged(int state, int result) override {
        std::lock_guard<std::mutex> lock(mutex_);
        state_ = state;
        result_ = result;
        changed_.notify_all();
    }
    bool waitFor(int state, std::chrono::seconds timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return state_ == state; });
    }
    int result() {
        std::lock_guard<std::mutex> lock(mutex_);
        return result_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int state_ = Disconnected;
    int result_ = 0;
};

// waveOut, with a copy of each block as it is queued.
class TapSpeakerPort : public WaveOutPort {
  public:
    TapSpeakerPort(std::unique_ptr<WaveOutPort> system, FILE* tap)
        : system_(std::move(system)), tap_(tap) {}
    bool openOutput(WavePlayer* player) override { return system_->openOutput(player); }
    bool prepare(int index, const uint8_t* data, int bytes) override {
        if (index >= 0 && index < WavePlayer::BUFFER_COUNT) {
            data_[index] = data;
            bytes_[index] = bytes;
        }
        return system_->prepare(index, data, bytes);
    }
    void unprepare(int index) override { system_->unprepare(index); }
    bool write(int index) override {
        const bool queued = system_->write(index);
        if (queued && index >= 0 && index < WavePlayer::BUFFER_COUNT) {
            std::fwrite(data_[index], 1, static_cast<size_t>(bytes_[index]), tap_);
        }
        return queued;
    }
    void closeOutput() override { system_->closeOutput(); }

  private:
    std::unique_ptr<WaveOutPort> system_;
    FILE* tap_;
    const uint8_t* data_[WavePlayer::BUFFER_COUNT] = {};
    int bytes_[WavePlayer::BUFFER_COUNT] = {};
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kavri_wine_speaker SECONDS TAP.raw\n");
        return 2;
    }
    const int seconds = std::atoi(argv[1]);
    FILE* tap = std::fopen(argv[2], "wb");
    if (tap == nullptr) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 2;
    }
    Settings::load();
    Settings::setPlayLocally(true);
    Callback callback;
    int result = -1;
    {
        MicOutputs outputs;
        outputs.device = makeSystemMicDevicePort();
        outputs.speaker = std::make_unique<TapSpeakerPort>(makeSystemWaveOutPort(), tap);
        outputs.timer = makeSystemTimerPort();
        MicController controller(&callback, std::move(outputs));
        if (controller.connect() != 0 || !callback.waitFor(Connected, std::chrono::seconds(15))) {
            std::printf("not connected (result %d)\n", callback.result());
            std::fclose(tap);
            return 3;
        }
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        controller.requestStop(0);
        if (callback.waitFor(Disconnected, std::chrono::seconds(15))) {
            result = callback.result();
        }
    }
    std::fclose(tap);
    std::printf("disconnected (result %d)\n", result);
    return result == 0 ? 0 : 1;
}
