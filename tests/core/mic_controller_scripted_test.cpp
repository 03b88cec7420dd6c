// The controller against a phone scripted in fake time: how a connection
// ends, which result it reports and when, without waiting out real
// time-outs.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/mic_controller.h"
#include "core/reception_stats.h"
#include "core/result_codes.h"
#include "tests/core/mic_controller_fakes.h"
#include "tests/core/scripted_phone.h"

namespace kavri::test {
namespace {

constexpr Millis kWait{5000};

std::vector<Report> kEndedWith(int result) {
    return {{Connecting, RESULT_OK}, {Connected, RESULT_OK}, {Disconnecting, RESULT_OK}, {Disconnected, result}};
}

// The reports together with the fake time each came at.
class TimedRecorder : public ReportRecorder {
  public:
    explicit TimedRecorder(std::shared_ptr<FakeClock> clock) : clock_(std::move(clock)) {}
    void onStateChanged(int state, int result) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            times_.push_back(clock_->now());
        }
        ReportRecorder::onStateChanged(state, result);
    }
    int64_t timeOf(size_t report) {
        std::lock_guard<std::mutex> lock(mutex_);
        return report < times_.size() ? times_[report] : -1;
    }

  private:
    std::shared_ptr<FakeClock> clock_;
    std::mutex mutex_;
    std::vector<int64_t> times_;
};

class MicControllerScripted : public testing::Test {
  protected:
    void connect(int protocolVersion = 3) {
        phone = std::make_unique<ScriptedPhone>(clock, protocolVersion);
        controller = std::make_unique<MicController>(&recorder, fakes.make(), phone->inputs());
        ASSERT_EQ(controller->connect(), 0);
        ASSERT_TRUE(recorder.waitForCount(2, kWait));
        ASSERT_EQ(controller->getState(), Connected);
    }

    void TearDown() override { destroyController(); }

    // The destructor stops a connection and waits for the receive thread,
    // which may sleep in fake time: keep the time moving until it is gone.
    void destroyController() {
        std::atomic<bool> gone{false};
        std::thread destroying([&] {
            controller.reset();
            gone = true;
        });
        while (!gone) {
            clock->advance(1000);
            std::this_thread::sleep_for(Millis(1));
        }
        destroying.join();
    }

    // Moves the fake time on in steps, each once the keep-alive pause and
    // the receive thread's media wait both sleep.
    bool advance(int steps, int ms = 1000) { return clock->advanceInSteps(steps, ms, 2, kWait); }

    size_t reportCount() { return recorder.reports().size(); }

    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
    TimedRecorder recorder{clock};
    FakeOutputs fakes;
    std::unique_ptr<ScriptedPhone> phone;  // outlives the controller
    std::unique_ptr<MicController> controller;
};

// Three receive attempts of 3000 ms each, the keep-alive once a second.
TEST_F(MicControllerScripted, PhoneThatNeverSendsAudioEndsWithNoAudioAfterThreeWaits) {
    connect();
    ASSERT_TRUE(advance(8));
    ASSERT_TRUE(clock->waitForSleepers(2, kWait));
    EXPECT_EQ(reportCount(), 2u) << "ended before the third wait was over";
    ASSERT_TRUE(advance(1));
    ASSERT_TRUE(recorder.waitForCount(4, kWait));
    EXPECT_EQ(recorder.reports(), kEndedWith(RESULT_NO_AUDIO));
    EXPECT_EQ(recorder.timeOf(2), 9000);
    EXPECT_EQ(receptionStats().rx.load(), 0);
    EXPECT_EQ(fakes.mic->callsCopy().back(), "close");

    const auto keepAlives = phone->keepAliveTimes();
    ASSERT_GE(keepAlives.size(), 9u);
    for (size_t i = 0; i < 9; ++i)
        EXPECT_EQ(keepAlives[i], static_cast<int64_t>(i) * 1000) << "keep-alive " << i;
    for (const int pause : clock->pauses())
        EXPECT_EQ(pause, 1000);
}

// The three waits are counted from the last packet that came.
TEST_F(MicControllerScripted, AudioThatStopsEndsWithConnectionLost) {
    connect();
    ASSERT_TRUE(advance(1, 500));
    for (uint8_t i = 1; i <= 5; ++i)
        phone->addPacket(ScriptedPhone::checkedPacket(i, {i}));
    ASSERT_TRUE(waitUntil([] { return receptionStats().rx.load() == 5; }, kWait));
    ASSERT_TRUE(advance(17, 500));
    ASSERT_TRUE(clock->waitForSleepers(2, kWait));
    EXPECT_EQ(reportCount(), 2u);
    ASSERT_TRUE(advance(1, 500));
    ASSERT_TRUE(recorder.waitForCount(4, kWait));
    EXPECT_EQ(recorder.reports(), kEndedWith(RESULT_CONNECTION_LOST));
    EXPECT_EQ(recorder.timeOf(2), 9500);
    EXPECT_EQ(receptionStats().rx.load(), 5);
}

// A phone that hangs up its control connection a second after the start,
// before any audio: the keep-alive fails first, then the receive loop's
// wait ends without a frame, and that no-audio result is the one reported.
TEST_F(MicControllerScripted, HangUpBeforeAnyAudioEndsWithNoAudio) {
    connect();
    ASSERT_TRUE(clock->waitForSleepers(2, kWait));
    phone->hangUp();
    clock->advance(1000);
    ASSERT_TRUE(recorder.waitForCount(3, kWait));
    EXPECT_EQ(recorder.timeOf(2), 1000);
    // Only the receive thread still sleeps: the keep-alive loop has ended.
    ASSERT_TRUE(clock->waitForSleepers(1, kWait));
    clock->advance(2000);
    ASSERT_TRUE(recorder.waitForCount(4, kWait));
    EXPECT_EQ(recorder.reports(), kEndedWith(RESULT_NO_AUDIO));
    EXPECT_EQ(recorder.timeOf(3), 3000);
}

TEST_F(MicControllerScripted, FailedKeepAliveAfterAudioEndsWithConnectionLost) {
    connect();
    phone->addPacket(ScriptedPhone::checkedPacket(1, {1}));
    ASSERT_TRUE(waitUntil([] { return receptionStats().rx.load() == 1; }, kWait));
    ASSERT_TRUE(clock->waitForSleepers(2, kWait));
    phone->hangUp();
    clock->advance(1000);
    ASSERT_TRUE(recorder.waitForCount(3, kWait));
    ASSERT_TRUE(clock->waitForSleepers(1, kWait));
    clock->advance(2000);
    ASSERT_TRUE(recorder.waitForCount(4, kWait));
    EXPECT_EQ(recorder.reports(), kEndedWith(RESULT_CONNECTION_LOST));
}

// The receive wait that runs out after the user's Disconnect does not turn
// the stop into a failure.
TEST_F(MicControllerScripted, UserStopDuringSilenceEndsWithZero) {
    connect();
    ASSERT_TRUE(advance(1));
    ASSERT_TRUE(clock->waitForSleepers(2, kWait));  // the keep-alive of 1000 went out
    controller->requestStop(0);
    ASSERT_TRUE(recorder.waitForCount(3, kWait));
    // The keep-alive loop left its pause at once; the receive wait goes on.
    ASSERT_TRUE(clock->waitForSleepers(1, kWait));
    EXPECT_EQ(reportCount(), 3u);
    clock->advance(2000);
    ASSERT_TRUE(recorder.waitForCount(4, kWait));
    EXPECT_EQ(recorder.reports(), kEndedWith(0));
    EXPECT_EQ(recorder.timeOf(3), 3000);
    EXPECT_EQ(phone->keepAliveTimes(), (std::vector<int64_t>{0, 1000}));
}

// A result stored while connecting is what a later stop reports, unless
// something stores another. The destructor's stop stores nothing; the
// receive loop, woken by a packet, ends without a result of its own.
TEST_F(MicControllerScripted, StopWhileConnectingOnlyStoresTheResult) {
    phone = std::make_unique<ScriptedPhone>(clock, 3);
    phone->holdReplies(true);
    controller = std::make_unique<MicController>(&recorder, fakes.make(), phone->inputs());
    ASSERT_EQ(controller->connect(), 0);
    ASSERT_TRUE(recorder.waitForCount(1, kWait));
    controller->requestStop(RESULT_CONNECTION_LOST);
    phone->holdReplies(false);
    ASSERT_TRUE(recorder.waitForCount(2, kWait));
    EXPECT_EQ(controller->getState(), Connected);
    ASSERT_TRUE(clock->waitForSleepers(2, kWait));

    std::thread destroying([this] { controller.reset(); });
    ASSERT_TRUE(recorder.waitForCount(3, kWait));
    phone->addPacket(ScriptedPhone::checkedPacket(1, {1}));
    destroying.join();
    EXPECT_EQ(recorder.reports(), kEndedWith(RESULT_CONNECTION_LOST));
}

// Protocol version 2: plain packets with a 32-bit header word, whose first
// byte is no check byte of their payload.
TEST_F(MicControllerScripted, PlainPacketsPlayWhenThePhoneSpeaksVersionTwo) {
    connect(2);
    phone->addPacket(ScriptedPhone::plainPacket(0x12345678, {7, 1, 2}));
    phone->addPacket(ScriptedPhone::plainPacket(0x9ABCDEF0, {8, 3}));
    phone->addPacket(ScriptedPhone::plainPacket(0x00000001, {9}));
    ASSERT_TRUE(waitUntil([] { return receptionStats().rx.load() == 3; }, kWait));
    ASSERT_TRUE(fakes.clock->waitForRunning(kWait));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(fakes.clock->tick());
    EXPECT_EQ(fakes.mic->framesCopy(),
              (std::vector<Samples>{Samples(960, 7), Samples(960, 8), Samples(960, 9)}));
}

// Version 3: a packet whose check byte does not match is not played.
TEST_F(MicControllerScripted, CheckedPacketsRefuseABadCheckByteInVersionThree) {
    connect(3);
    auto bad = ScriptedPhone::checkedPacket(2, {8, 3});
    bad[0] ^= 0x40;
    phone->addPacket(ScriptedPhone::checkedPacket(1, {7, 1, 2}));
    phone->addPacket(bad);
    phone->addPacket(ScriptedPhone::checkedPacket(3, {9}));
    ASSERT_TRUE(waitUntil([] { return receptionStats().rx.load() == 2; }, kWait));
    ASSERT_TRUE(fakes.clock->waitForRunning(kWait));
    ASSERT_TRUE(fakes.clock->tick());
    ASSERT_TRUE(fakes.clock->tick());
    EXPECT_EQ(fakes.mic->framesCopy(), (std::vector<Samples>{Samples(960, 7), Samples(960, 9)}));
    EXPECT_EQ(receptionStats().rx.load(), 2);
}

// Start and end times of day, and the longest gap between two frames, the
// first measured from the start.
TEST_F(MicControllerScripted, StatisticsFollowTheClock) {
    connect();
    ReceptionStats& stats = receptionStats();
    ASSERT_TRUE(clock->waitForSleepers(2, kWait));  // the receive thread has started
    EXPECT_EQ(stats.startTime.load(), FakeClock::START_OF_DAY_MS);
    // Packets at 300, 1000 and 1200; each is taken before the time moves on.
    const int steps[] = {300, 700, 200};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(advance(1, steps[i]));
        phone->addPacket(ScriptedPhone::checkedPacket(1, {1}));
        ASSERT_TRUE(waitUntil([&] { return stats.rx.load() == i + 1; }, kWait));
    }
    EXPECT_EQ(stats.maxDelta.load(), 700);
    EXPECT_EQ(stats.endTime.load(), 0);
    controller->requestStop(0);
    ASSERT_TRUE(recorder.waitForCount(3, kWait));
    ASSERT_TRUE(clock->waitForSleepers(1, kWait));
    clock->advance(3000);
    ASSERT_TRUE(recorder.waitForCount(4, kWait));
    EXPECT_EQ(stats.endTime.load(), FakeClock::START_OF_DAY_MS + 4200);
}

}  // namespace
}  // namespace kavri::test
