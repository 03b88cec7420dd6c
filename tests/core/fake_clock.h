#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <vector>

#include "core/controller_clock.h"

namespace kavri::test {

// Milliseconds that pass only when the test says so. Threads that wait on it
// (the keep-alive pause, the scripted media stream) sleep until the test has
// moved the time past their deadline or their condition holds.
class FakeClock : public ControllerClock {
  public:
    // The time of day at fake time 0: 10:00:00.000.
    static constexpr int32_t START_OF_DAY_MS = 10 * 3600 * 1000;

    int32_t timeOfDayMs() override {
        std::lock_guard<std::mutex> lock(mutex_);
        return START_OF_DAY_MS + static_cast<int32_t>(now_);
    }

    void pause(int ms, const std::function<bool()>& done) override {
        std::unique_lock<std::mutex> lock(mutex_);
        pauses_.push_back(ms);
        sleep(lock, ms, [&done](int64_t) { return done(); });
    }

    void wake() override {
        { std::lock_guard<std::mutex> lock(mutex_); }
        changed_.notify_all();
    }

    // Waits ms fake milliseconds or until done(now) holds, which it checks
    // under the clock's lock: true when done() held, false at the deadline.
    bool waitFor(int ms, const std::function<bool(int64_t now)>& done) {
        std::unique_lock<std::mutex> lock(mutex_);
        return sleep(lock, ms, done);
    }

    int64_t now() {
        std::lock_guard<std::mutex> lock(mutex_);
        return now_;
    }

    void advance(int ms) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            now_ += ms;
        }
        changed_.notify_all();
    }

    // Waits, in real time and bounded, until exactly count threads sleep
    // towards a fake time still to come: the moment to move the time on.
    bool waitForSleepers(size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return sleepersLocked() == count; });
    }

    // Moves the time on in steps, each once count threads sleep.
    bool advanceInSteps(int steps, int ms, size_t sleepers, std::chrono::milliseconds timeout) {
        for (int i = 0; i < steps; ++i) {
            if (!waitForSleepers(sleepers, timeout))
                return false;
            advance(ms);
        }
        return true;
    }

    std::vector<int> pauses() {
        std::lock_guard<std::mutex> lock(mutex_);
        return pauses_;
    }

  private:
    bool sleep(std::unique_lock<std::mutex>& lock, int ms,
               const std::function<bool(int64_t)>& done) {
        const int64_t deadline = now_ + ms;
        const auto entry = deadlines_.insert(deadline);
        changed_.notify_all();
        bool held = false;
        changed_.wait(lock, [&] {
            held = done(now_);
            return held || now_ >= deadline;
        });
        deadlines_.erase(entry);
        changed_.notify_all();
        return held;
    }

    size_t sleepersLocked() const {
        size_t count = 0;
        for (const int64_t deadline : deadlines_) {
            count += deadline > now_ ? 1 : 0;
        }
        return count;
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    int64_t now_ = 0;
    std::multiset<int64_t> deadlines_;
    std::vector<int> pauses_;
};

}  // namespace kavri::test
