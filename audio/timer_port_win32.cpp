#include <windows.h>
#include <mmsystem.h>

#include "audio/playout_timer.h"

namespace kavri {

namespace {

// The timer queue calls this on its own timer thread (WT_EXECUTEINTIMERTHREAD),
// so two ticks never overlap and no pool hand-off costs time on every tick.
VOID CALLBACK onTick(PVOID context, BOOLEAN /*timerFired*/) {
    static_cast<TimerListener*>(context)->onTimer();
}

class Win32TimerPort : public TimerPort {
  public:
    ~Win32TimerPort() override { deleteTimer(); }

    bool getDevCaps(uint32_t* minPeriod, uint32_t* maxPeriod) override {
        TIMECAPS caps{};
        if (timeGetDevCaps(&caps, sizeof caps) != MMSYSERR_NOERROR) {
            return false;
        }
        *minPeriod = caps.wPeriodMin;
        *maxPeriod = caps.wPeriodMax;
        return true;
    }

    void beginPeriod(uint32_t ms) override { timeBeginPeriod(ms); }
    void endPeriod(uint32_t ms) override { timeEndPeriod(ms); }

    bool createTimer(TimerListener* listener, uint32_t periodMs) override {
        if (timer_ != nullptr) {
            return false;
        }
        if (!CreateTimerQueueTimer(&timer_, nullptr, onTick, listener, 0, periodMs,
                                   WT_EXECUTEINTIMERTHREAD)) {
            timer_ = nullptr;
            return false;
        }
        return true;
    }

    void deleteTimer() override {
        if (timer_ == nullptr) {
            return;
        }
        // INVALID_HANDLE_VALUE as the completion event: return only after a
        // tick already running has finished, so the outputs it writes to can
        // be closed right after. Never called from a tick, so it cannot wait
        // on itself.
        DeleteTimerQueueTimer(nullptr, timer_, INVALID_HANDLE_VALUE);
        timer_ = nullptr;
    }

  private:
    HANDLE timer_ = nullptr;
};

}  // namespace

std::unique_ptr<TimerPort> makeSystemTimerPort() {
    return std::make_unique<Win32TimerPort>();
}

}  // namespace kavri
