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
#include "core/connection_state.h"
#include "core/controller_clock.h"
#include "core/mutex.h"
#include "core/playout_queue.h"
#include "core/playout_tick.h"
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

// Where the controller's audio comes from. Empty members take the system's:
// a link that builds its streams from the settings, the Opus decoder and the
// system clock. Tests script all three.
struct MicInputs {
    // Builds and opens the streams of a new, empty link: 0 or a result code.
    std::function<int(PhoneLink& link)> openLink;
    // A decoder for this format, not yet opened.
    std::function<std::unique_ptr<VoiceDecoder>(int sampleRate, int channels)> makeDecoder;
    std::shared_ptr<ControllerClock> clock;
};

// Owns the life of one connection to the phone at a time.
class MicController : public TimerListener {
  public:
    static constexpr int FRAME_MS = 20;
    static constexpr int SAMPLE_RATE = 48000;
    static constexpr int CHANNELS = 1;
    static constexpr int KEEP_ALIVE_MS = 1000;

    explicit MicController(PlayerCallback* callback);  // the system's outputs and inputs
    MicController(PlayerCallback* callback, MicOutputs outputs, MicInputs inputs = {});
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
    void keepAliveLoop();
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
    MicInputs inputs_;
    PlayoutTick tick_;

    // Guards the two flags of the connection's stop, which a new connection
    // clears: whether a stop thread was asked for, and whether the user's
    // Disconnect stored its 0, which the failures the loops meet on their
    // way out do not replace.
    std::mutex resultMutex_;
    bool stopBegun_ = false;
    bool userStopped_ = false;

    std::mutex helperMutex_;
    std::condition_variable helpersDone_;
    int helpers_ = 0;
};

}  // namespace kavri
