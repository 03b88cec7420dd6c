#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "audio/playout_timer.h"

namespace kavri {
namespace {

struct TimerScript {
    bool capsKnown = true;
    uint32_t minPeriod = 1;
    uint32_t maxPeriod = 1000000;
    bool creates = true;
    TimerListener* listener = nullptr;
    std::vector<std::string> calls;
};

class RecordingTimerPort : public TimerPort {
  public:
    explicit RecordingTimerPort(std::shared_ptr<TimerScript> script) : script_(std::move(script)) {}

    bool getDevCaps(uint32_t* minPeriod, uint32_t* maxPeriod) override {
        script_->calls.push_back("caps");
        if (!script_->capsKnown)
            return false;
        *minPeriod = script_->minPeriod;
        *maxPeriod = script_->maxPeriod;
        return true;
    }
    void beginPeriod(uint32_t ms) override {
        script_->calls.push_back("begin " + std::to_string(ms));
    }
    void endPeriod(uint32_t ms) override { script_->calls.push_back("end " + std::to_string(ms)); }
    bool createTimer(TimerListener* listener, uint32_t periodMs) override {
        script_->calls.push_back("create " + std::to_string(periodMs));
        script_->listener = listener;
        return script_->creates;
    }
    void deleteTimer() override { script_->calls.push_back("delete"); }

  private:
    std::shared_ptr<TimerScript> script_;
};

struct NullListener : TimerListener {
    void onTimer() override {}
};

using Calls = std::vector<std::string>;

TEST(PlayoutTimerResolution, StartRaisesAndStopLowersTheSameValue) {
    struct Case {
        uint32_t min, max, expected;
    };
    for (const Case c : {Case{0, 500, 1}, Case{1, 500, 1}, Case{5, 500, 5}, Case{5, 3, 3}}) {
        auto script = std::make_shared<TimerScript>();
        script->minPeriod = c.min;
        script->maxPeriod = c.max;
        PlayoutTimer timer(std::make_unique<RecordingTimerPort>(script));
        NullListener listener;
        timer.start(&listener, 20);
        EXPECT_EQ(timer.getResolution(), c.expected);
        timer.stop();
        const std::string r = std::to_string(c.expected);
        EXPECT_EQ(script->calls, (Calls{"caps", "begin " + r, "create 20", "delete", "end " + r}))
            << c.min << "/" << c.max;
    }
}

TEST(PlayoutTimer, StartHandsTheListenerToTheTimerAndStopDeletesIt) {
    auto script = std::make_shared<TimerScript>();
    PlayoutTimer timer(std::make_unique<RecordingTimerPort>(script));
    NullListener listener;
    EXPECT_FALSE(timer.isRunning());
    timer.start(&listener, 20);
    EXPECT_TRUE(timer.isRunning());
    EXPECT_EQ(script->listener, &listener);
    timer.stop();
    EXPECT_FALSE(timer.isRunning());
}

TEST(PlayoutTimer, StopWhenStoppedCallsNothing) {
    auto script = std::make_shared<TimerScript>();
    {
        PlayoutTimer timer(std::make_unique<RecordingTimerPort>(script));
        timer.stop();  // never started
        EXPECT_TRUE(script->calls.empty());
        NullListener listener;
        timer.start(&listener, 20);
        timer.stop();
        script->calls.clear();
        timer.stop();  // twice in a row
        EXPECT_TRUE(script->calls.empty());
    }
    EXPECT_TRUE(script->calls.empty());  // nor does the destructor
}

TEST(PlayoutTimer, DestructorStopsARunningTimer) {
    auto script = std::make_shared<TimerScript>();
    {
        PlayoutTimer timer(std::make_unique<RecordingTimerPort>(script));
        NullListener listener;
        timer.start(&listener, 20);
        script->calls.clear();
    }
    EXPECT_EQ(script->calls, (Calls{"delete", "end 1"}));
}

TEST(PlayoutTimer, FailedCreateLowersTheResolutionAtOnce) {
    auto script = std::make_shared<TimerScript>();
    script->minPeriod = 2;
    script->creates = false;
    PlayoutTimer timer(std::make_unique<RecordingTimerPort>(script));
    NullListener listener;
    timer.start(&listener, 20);
    EXPECT_FALSE(timer.isRunning());
    EXPECT_EQ(script->calls, (Calls{"caps", "begin 2", "create 20", "end 2"}));
    script->calls.clear();
    timer.stop();
    EXPECT_TRUE(script->calls.empty());
}

TEST(PlayoutTimer, UnknownCapabilitiesUseOneMillisecond) {
    auto script = std::make_shared<TimerScript>();
    script->capsKnown = false;
    PlayoutTimer timer(std::make_unique<RecordingTimerPort>(script));
    NullListener listener;
    timer.start(&listener, 20);
    EXPECT_EQ(script->calls, (Calls{"caps", "begin 1", "create 20"}));
}

TEST(PlayoutTimer, StartingARunningTimerStopsTheFirstOne) {
    auto script = std::make_shared<TimerScript>();
    PlayoutTimer timer(std::make_unique<RecordingTimerPort>(script));
    NullListener listener;
    timer.start(&listener, 20);
    script->calls.clear();
    timer.start(&listener, 10);
    EXPECT_EQ(script->calls, (Calls{"delete", "end 1", "caps", "begin 1", "create 10"}));
}

}  // namespace
}  // namespace kavri
