#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "audio/mic_device.h"
#include "audio/playout_timer.h"
#include "audio/timer_listener.h"
#include "audio/wave_player.h"
#include "core/audio_frame.h"
#include "core/connection_state.h"
#include "core/mutex.h"
#include "core/playout_queue.h"
#include "core/reception_stats.h"

namespace kavri {

class PhoneLink;
class VoiceDecoder;

// The OS ports of the controller's three outputs; tests pass recording fakes.
struct MicOutputs {
    std::unique_ptr<MicDevicePort> device;
    std::unique_ptr<WaveOutPort> speaker;
    std::unique_ptr<TimerPort> timer;
};

// Owns the life of one connection to the phone at a time.
class MicController : public TimerListener {
  public:
    static constexpr int FRAME_MS = 20;
    static constexpr int SAMPLE_RATE = 48000;
    static constexpr int CHANNELS = 1;
    static constexpr int RECEIVE_ATTEMPTS = 3;
    static constexpr int KEEP_ALIVE_MS = 1000;
    // Good ticks in a row before a backlog may be trimmed.
    static constexpr int TRIM_AFTER_GOOD_TICKS = 100;

    explicit MicController(PlayerCallback* callback);  // the system's outputs
    MicController(PlayerCallback* callback, MicOutputs outputs);
    ~MicController() override;
    MicController(const MicController&) = delete;
    MicController& operator=(const MicController&) = delete;

    // -1 when not Disconnected; otherwise starts a connect thread and returns 0.
    int connect();
    void requestStop(int result);
    ConnectionState getState() const { return static_cast<ConnectionState>(state_.load()); }
    void onTimer() override;

  private:
    void runConnect();
    int openLink();
    void releaseLink();
    void receiveLoop();
    int receiveFrame(VoiceDecoder* decoder, AudioFrame* frame);
    void countFrame(int32_t* previousTime);
    void keepAliveLoop();
    void writeFrame(const int16_t* samples, int count);
    void stop();

    void setState(int state);
    void report(int state, int result);
    // Connect and stop threads are not kept; the destructor waits for them.
    void startHelper(std::function<void()> work);
    void waitForHelpers();

    PlayerCallback* callback_;
    PlayoutQueue queue_;
    std::unique_ptr<PhoneLink> link_;
    std::unique_ptr<WavePlayer> speaker_;
    MicDevice device_;
    std::atomic<int> state_{Disconnected};
    std::atomic<int> lastResult_{0};
    Mutex mutex_{"Controller"};
    PlayoutTimer timer_;
    std::thread keepAliveThread_;
    std::thread receiveThread_;
    ReceptionStats* stats_;
    int sampleRate_ = 0;
    int channels_ = 0;
    int frameMs_ = 0;
    int protocolVersion_ = 0;
    AudioFrame workFrame_;

    // From the first stop request of a connection until its loops have been
    // joined, a failure that the receive or keep-alive loop meets keeps out
    // of lastResult_: a stop the user asked for never ends as a lost
    // connection, and the first failure is the one reported.
    std::mutex resultMutex_;
    bool stopBegun_ = false;

    // Wakes the keep-alive loop's pause as soon as the state leaves Connected.
    std::mutex pauseMutex_;
    std::condition_variable pauseWake_;

    std::mutex helperMutex_;
    std::condition_variable helpersDone_;
    int helpers_ = 0;
};

}  // namespace kavri
