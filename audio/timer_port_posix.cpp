#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <time.h>

#include <atomic>
#include <cerrno>
#include <system_error>
#include <thread>

#include "audio/playout_timer.h"

namespace kavri {

namespace {

constexpr long NANOS_PER_SECOND = 1000000000L;
constexpr long NANOS_PER_MILLI = 1000000L;
// Above ordinary threads, well below the kernel's interrupt threads.
constexpr int TICK_PRIORITY = 10;
// Longest single sleep, so that stop is heard even with long periods. A 20 ms
// tick sleeps once, straight to its deadline.
constexpr long long MAX_SLEEP_NANOS = 50 * NANOS_PER_MILLI;

void addNanos(timespec& t, long long nanos) {
    long long total = t.tv_nsec + nanos;
    t.tv_sec += static_cast<time_t>(total / NANOS_PER_SECOND);
    t.tv_nsec = static_cast<long>(total % NANOS_PER_SECOND);
}

long long nanosBetween(const timespec& from, const timespec& to) {
    return static_cast<long long>(to.tv_sec - from.tv_sec) * NANOS_PER_SECOND +
           (to.tv_nsec - from.tv_nsec);
}

// A tick that wakes late is late for the listener too: real-time scheduling
// when we may, otherwise at least no timer slack on our sleeps.
void raiseTickPriority() {
    sched_param param{};
    param.sched_priority = TICK_PRIORITY;
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) != 0) {
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    }
}

// Linux has no system-wide timer resolution to raise; the tick thread sleeps
// to absolute deadlines instead, so a late wake-up never shifts later ticks.
class PosixTimerPort : public TimerPort {
  public:
    ~PosixTimerPort() override { deleteTimer(); }

    bool getDevCaps(uint32_t*, uint32_t*) override { return false; }
    void beginPeriod(uint32_t) override {}
    void endPeriod(uint32_t) override {}

    bool createTimer(TimerListener* listener, uint32_t periodMs) override {
        if (thread_.joinable() || listener == nullptr) {
            return false;
        }
        stopping_ = false;
        try {
            thread_ = std::thread([this, listener, periodMs] { run(listener, periodMs); });
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }

    // Returns once the thread has ended, so a running tick has finished; the
    // wait is at most that tick plus one short sleep.
    void deleteTimer() override {
        if (!thread_.joinable()) {
            return;
        }
        stopping_ = true;
        thread_.join();
    }

  private:
    void run(TimerListener* listener, uint32_t periodMs) {
        raiseTickPriority();
        const long long period = static_cast<long long>(periodMs) * NANOS_PER_MILLI;
        timespec deadline{};
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        while (!stopping_.load()) {
            listener->onTimer();
            if (period == 0) {
                return;  // a zero period fires once, as on Windows
            }
            addNanos(deadline, period);
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            if (nanosBetween(deadline, now) > period) {
                deadline = now;  // after a stall, go on from now instead of bursting
            }
            sleepUntil(deadline);
        }
    }

    void sleepUntil(const timespec& deadline) const {
        for (;;) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            const long long left = nanosBetween(now, deadline);
            if (left <= 0 || stopping_.load()) {
                return;
            }
            timespec wake = deadline;
            if (left > MAX_SLEEP_NANOS) {
                wake = now;
                addNanos(wake, MAX_SLEEP_NANOS);
            }
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr);  // EINTR: loop again
        }
    }

    std::thread thread_;
    std::atomic<bool> stopping_{false};
};

}  // namespace

std::unique_ptr<TimerPort> makeSystemTimerPort() {
    return std::make_unique<PosixTimerPort>();
}

}  // namespace kavri
