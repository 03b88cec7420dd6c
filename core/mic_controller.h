#pragma once

#include <atomic>
#include <memory>

#include "audio/mic_device.h"
#include "audio/playout_timer.h"
#include "audio/timer_listener.h"
#include "audio/wave_player.h"
#include "core/connection_state.h"
#include "core/reception_stats.h"

namespace kavri {

// The OS ports of the controller's three outputs; tests pass recording fakes.
struct MicOutputs {
    std::unique_ptr<MicDevicePort> device;
    std::unique_ptr<WaveOutPort> speaker;
    std::unique_ptr<TimerPort> timer;
};

// Owns the life of one connection to the phone at a time.
// (Private members are completed with the implementation.)
class MicController : public TimerListener {
public:
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
    std::atomic<int> state_{Disconnected};
    std::atomic<int> lastResult_{0};
};

}  // namespace kavri
