#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "audio/playout_timer.h"

// The real timer of the platform the tests run on (natively, or under Wine).
namespace kavri {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class CountingListener : public TimerListener {
  public:
    void onTimer() override {
        if (stopReturned_.load())
            lateTicks_.fetch_add(1);
        std::lock_guard<std::mutex> lock(mutex_);
        ++ticks_;
        changed_.notify_all();
    }

    bool waitForTicks(int n, std::chrono::milliseconds bound) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, bound, [&] { return ticks_ >= n; });
    }
    int ticks() {
        std::lock_guard<std::mutex> lock(mutex_);
        return ticks_;
    }
    void markStopReturned() { stopReturned_ = true; }
    int lateTicks() const { return lateTicks_.load(); }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int ticks_ = 0;
    std::atomic<bool> stopReturned_{false};
    std::atomic<int> lateTicks_{0};
};

TEST(SystemPlayoutTimer, FirstTickComesAtOnceNotAfterAPeriod) {
    CountingListener listener;
    PlayoutTimer timer;
    timer.start(&listener, 60000);
    EXPECT_TRUE(listener.waitForTicks(1, 10s));
    timer.stop();
    EXPECT_EQ(listener.ticks(), 1);
}

TEST(SystemPlayoutTimer, TicksPeriodicallyAndNeverAfterStopReturns) {
    CountingListener listener;
    PlayoutTimer timer;
    const auto started = Clock::now();
    timer.start(&listener, 20);
    EXPECT_TRUE(timer.isRunning());
    ASSERT_TRUE(listener.waitForTicks(6, 10s));
    timer.stop();
    listener.markStopReturned();
    const auto elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
    const int ticks = listener.ticks();
    // Loose: no faster than twice the nominal rate (a unit mix-up would be far off).
    EXPECT_LE(ticks, 2 * (elapsedMs / 20) + 2) << ticks << " ticks in " << elapsedMs << " ms";

    // Give a timer that ignored the stop several periods to show itself.
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(listener.ticks(), ticks);
    EXPECT_EQ(listener.lateTicks(), 0);
}

// A tick that is still running when stop is called must finish before stop returns.
class BlockingListener : public TimerListener {
  public:
    void onTimer() override {
        std::unique_lock<std::mutex> lock(mutex_);
        ++entered_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return released_; });
        ++finished_;
    }

    void waitUntilEntered() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, 10s, [&] { return entered_ > 0; });
    }
    void release() {
        std::lock_guard<std::mutex> lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    int finished() {
        std::lock_guard<std::mutex> lock(mutex_);
        return finished_;
    }
    int entered() {
        std::lock_guard<std::mutex> lock(mutex_);
        return entered_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int entered_ = 0;
    int finished_ = 0;
    bool released_ = false;
};

TEST(SystemPlayoutTimer, StopWaitsForTheTickAlreadyRunning) {
    BlockingListener listener;
    PlayoutTimer timer;
    timer.start(&listener, 20);
    listener.waitUntilEntered();
    ASSERT_EQ(listener.entered(), 1);

    std::atomic<bool> stopReturned{false};
    int finishedWhenStopReturned = -1;
    std::thread stopper([&] {
        timer.stop();
        finishedWhenStopReturned = listener.finished();
        stopReturned = true;
    });
    // A stop that does not wait would return within this window.
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(stopReturned.load());
    listener.release();
    stopper.join();
    EXPECT_EQ(finishedWhenStopReturned, 1);
    EXPECT_EQ(listener.entered(), 1);
}

}  // namespace
}  // namespace kavri
