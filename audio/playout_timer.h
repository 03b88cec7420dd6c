#pragma once

#include <cstdint>
#include <memory>

#include "audio/timer_listener.h"

namespace kavri {

// The timer's OS calls: the timer resolution and a periodic timer whose
// callback runs on the timer's own thread.
class TimerPort {
  public:
    virtual ~TimerPort() = default;
    // Reported minimum and maximum timer periods in ms; false when unknown.
    virtual bool getDevCaps(uint32_t* minPeriod, uint32_t* maxPeriod) = 0;
    virtual void beginPeriod(uint32_t ms) = 0;
    virtual void endPeriod(uint32_t ms) = 0;
    // Starts calling listener->onTimer() at once and then every periodMs.
    virtual bool createTimer(TimerListener* listener, uint32_t periodMs) = 0;
    // Cancels the timer and waits for a tick already running.
    virtual void deleteTimer() = 0;
};

std::unique_ptr<TimerPort> makeSystemTimerPort();

class PlayoutTimer {
  public:
    PlayoutTimer();  // uses the system port
    explicit PlayoutTimer(std::unique_ptr<TimerPort> port);
    ~PlayoutTimer();
    PlayoutTimer(const PlayoutTimer&) = delete;
    PlayoutTimer& operator=(const PlayoutTimer&) = delete;

    void start(TimerListener* listener, uint32_t periodMs);
    void stop();
    bool isRunning() const { return running_; }
    uint32_t getResolution() const { return resolution_; }

    static uint32_t computeResolution(uint32_t minPeriod, uint32_t maxPeriod);

  private:
    std::unique_ptr<TimerPort> port_;
    bool running_ = false;
    uint32_t resolution_ = 0;
    TimerListener* listener_ = nullptr;
};

}  // namespace kavri
