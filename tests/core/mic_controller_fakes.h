#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "audio/mic_device.h"
#include "audio/playout_timer.h"
#include "audio/wave_player.h"
#include "core/connection_state.h"
#include "core/mic_controller.h"

namespace kavri::test {

using Millis = std::chrono::milliseconds;
using Report = std::pair<int, int>;
using Samples = std::vector<int16_t>;

// Polls a condition until it holds or the time runs out.
inline bool waitUntil(const std::function<bool()>& condition, Millis timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(Millis(1));
    }
    return true;
}

// Every (state, result) the controller reports, in order.
class ReportRecorder : public PlayerCallback {
  public:
    void onStateChanged(int state, int result) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            reports_.emplace_back(state, result);
        }
        changed_.notify_all();
    }

    std::vector<Report> reports() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return reports_;
    }

    // Waits until at least count reports have come.
    bool waitForCount(size_t count, Millis timeout) const {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return reports_.size() >= count; });
    }

  private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<Report> reports_;
};

// What the fake microphone saw: its calls in order and every frame written.
// A write can be held up to let a test act while a tick is inside it.
struct MicLog {
    bool opens = true;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> calls;
    std::vector<Samples> frames;
    bool holdWrites = false;
    bool writeHeld = false;

    std::vector<std::string> callsCopy() {
        std::lock_guard<std::mutex> lock(mutex);
        return calls;
    }
    std::vector<Samples> framesCopy() {
        std::lock_guard<std::mutex> lock(mutex);
        return frames;
    }
    void add(const std::string& call) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            calls.push_back(call);
        }
        changed.notify_all();
    }
    bool waitForCall(const std::string& call, Millis timeout) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, timeout, [&] {
            for (const auto& c : calls) {
                if (c == call)
                    return true;
            }
            return false;
        });
    }
    bool waitForHeldWrite(Millis timeout) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, timeout, [&] { return writeHeld; });
    }
    void releaseWrites() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            holdWrites = false;
        }
        changed.notify_all();
    }
};

// A driver of version 3: audio comes in plain writes, one per tick.
class FakeMicPort : public MicDevicePort {
  public:
    explicit FakeMicPort(std::shared_ptr<MicLog> log) : log_(std::move(log)) {}

    bool openDevice() override {
        log_->add(log_->opens ? "open" : "open failed");
        return log_->opens;
    }
    bool control(uint32_t code, const void* input, uint32_t, void* output, uint32_t) override {
        if (code == MicDevice::IOCTL_MIC_GET_VERSION && output != nullptr) {
            *static_cast<uint8_t*>(output) = 3;
        }
        if (code == MicDevice::IOCTL_MIC_SET_RUNNING && input != nullptr) {
            log_->add(*static_cast<const uint8_t*>(input) ? "run" : "stop");
        }
        return true;
    }
    void writeFile(const void* data, uint32_t size) override {
        std::unique_lock<std::mutex> lock(log_->mutex);
        if (log_->holdWrites) {
            log_->writeHeld = true;
            log_->calls.push_back("write held");
            log_->changed.notify_all();
            log_->changed.wait(lock, [&] { return !log_->holdWrites; });
        }
        const auto* samples = static_cast<const int16_t*>(data);
        log_->frames.emplace_back(samples, samples + size / 2);
        log_->calls.push_back("write " + std::to_string(size / 2));
        log_->changed.notify_all();
    }
    void closeDevice() override { log_->add("close"); }

  private:
    std::shared_ptr<MicLog> log_;
};

// What the fake speaker saw: every buffer queued for playing.
struct SpeakerLog {
    std::mutex mutex;
    std::vector<Samples> buffers;
    int opens = 0;
    int closes = 0;

    std::vector<Samples> buffersCopy() {
        std::lock_guard<std::mutex> lock(mutex);
        return buffers;
    }
};

// An output that plays every buffer at once.
class FakeSpeakerPort : public WaveOutPort {
  public:
    explicit FakeSpeakerPort(std::shared_ptr<SpeakerLog> log) : log_(std::move(log)) {}

    bool openOutput(WavePlayer* player) override {
        player_ = player;
        std::lock_guard<std::mutex> lock(log_->mutex);
        ++log_->opens;
        player->onOpen();
        return true;
    }
    bool prepare(int, const uint8_t* data, int bytes) override {
        std::lock_guard<std::mutex> lock(log_->mutex);
        const auto* samples = reinterpret_cast<const int16_t*>(data);
        log_->buffers.emplace_back(samples, samples + bytes / 2);
        return true;
    }
    void unprepare(int) override {}
    bool write(int) override {
        player_->onDone();
        return true;
    }
    void closeOutput() override {
        std::lock_guard<std::mutex> lock(log_->mutex);
        ++log_->closes;
    }

  private:
    std::shared_ptr<SpeakerLog> log_;
    WavePlayer* player_ = nullptr;
};

// A timer that ticks only when the test says so. Deleting it waits for a
// tick in progress, as the system timers do.
struct ManualClock {
    std::mutex mutex;
    TimerListener* listener = nullptr;
    int creates = 0;
    int deletes = 0;

    // False when no timer is running.
    bool tick() {
        std::lock_guard<std::mutex> lock(mutex);
        if (listener == nullptr) {
            return false;
        }
        listener->onTimer();
        return true;
    }
    int createCount() {
        std::lock_guard<std::mutex> lock(mutex);
        return creates;
    }
    // The controller starts its timer just after it reports Connected.
    bool waitForRunning(Millis timeout) {
        return waitUntil(
            [this] {
                std::lock_guard<std::mutex> lock(mutex);
                return listener != nullptr;
            },
            timeout);
    }
};

class ManualTimerPort : public TimerPort {
  public:
    explicit ManualTimerPort(std::shared_ptr<ManualClock> clock) : clock_(std::move(clock)) {}

    bool getDevCaps(uint32_t* minPeriod, uint32_t* maxPeriod) override {
        *minPeriod = 1;
        *maxPeriod = 1000000;
        return true;
    }
    void beginPeriod(uint32_t) override {}
    void endPeriod(uint32_t) override {}
    bool createTimer(TimerListener* listener, uint32_t) override {
        std::lock_guard<std::mutex> lock(clock_->mutex);
        clock_->listener = listener;
        ++clock_->creates;
        return true;
    }
    void deleteTimer() override {
        std::lock_guard<std::mutex> lock(clock_->mutex);
        clock_->listener = nullptr;
        ++clock_->deletes;
    }

  private:
    std::shared_ptr<ManualClock> clock_;
};

// The three fakes and the logs the test keeps.
struct FakeOutputs {
    std::shared_ptr<MicLog> mic = std::make_shared<MicLog>();
    std::shared_ptr<SpeakerLog> speaker = std::make_shared<SpeakerLog>();
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();

    // With the manual clock, or the system's timer when realTimer is set.
    MicOutputs make(bool realTimer = false) const {
        MicOutputs outputs;
        outputs.device = std::make_unique<FakeMicPort>(mic);
        outputs.speaker = std::make_unique<FakeSpeakerPort>(speaker);
        outputs.timer =
            realTimer ? makeSystemTimerPort() : std::make_unique<ManualTimerPort>(clock);
        return outputs;
    }
};

}  // namespace kavri::test
