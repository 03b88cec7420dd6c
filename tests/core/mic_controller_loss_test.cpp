#include <gtest/gtest.h>

#include <chrono>

#include "core/mic_controller.h"
#include "core/reception_stats.h"
#include "core/result_codes.h"
#include "tests/core/mic_controller_phone.h"

namespace kavri::test {
namespace {

std::vector<Report> kEndedWith(int result) {
    return {{Connecting, RESULT_OK}, {Connected, RESULT_OK}, {Disconnecting, RESULT_OK}, {Disconnected, result}};
}

class MicControllerLoss : public PhoneFixture {
  protected:
    void connect(bool realTimer = false) {
        controller = std::make_unique<MicController>(&recorder, fakes.make(realTimer));
        ASSERT_EQ(controller->connect(), 0);
        ASSERT_TRUE(recorder.waitForCount(2, kConnectWait));
        ASSERT_EQ(controller->getState(), Connected);
    }

    ReportRecorder recorder;
    FakeOutputs fakes;
    std::unique_ptr<MicController> controller;
};

// The Wi-Fi media stream's real wait: three receive attempts of 3 s each,
// each wait started afresh, end a silent connection after about 9 s. The
// one controller test that waits out real time-outs.
TEST_F(MicControllerLoss, SilentWifiPhoneEndsAfterThreeMediaWaits) {
    using Clock = std::chrono::steady_clock;
    startSilentPhone();
    connect();
    const auto connected = Clock::now();
    ASSERT_TRUE(recorder.waitForCount(3, kSilenceWait));
    const auto waited = std::chrono::duration_cast<Millis>(Clock::now() - connected).count();
    ASSERT_TRUE(recorder.waitForCount(4, kConnectWait));
    EXPECT_EQ(recorder.reports(), kEndedWith(RESULT_NO_AUDIO));
    EXPECT_GE(waited, 8500);
    EXPECT_LE(waited, 11000);
    EXPECT_EQ(receptionStats().rx.load(), 0);
}

TEST_F(MicControllerLoss, DeviceThatDoesNotOpenLeavesTheConnectionPlaying) {
    startPhone();
    fakes.mic->opens = false;
    connect();
    ASSERT_TRUE(waitForRx(2));
    ASSERT_TRUE(fakes.clock->waitForRunning(kConnectWait));
    Settings::setPlayLocally(true);
    EXPECT_TRUE(fakes.clock->tick());
    Settings::setPlayLocally(false);
    controller->requestStop(0);
    ASSERT_TRUE(recorder.waitForCount(4, kConnectWait));
    EXPECT_EQ(recorder.reports(), kEndedWith(0));
    EXPECT_EQ(fakes.mic->callsCopy(), std::vector<std::string>{"open failed"});
    EXPECT_EQ(fakes.speaker->buffersCopy().size(), 1u);
}

// The system timer's thread is inside a microphone write when the stop
// begins: the device is closed only after that write has returned.
TEST_F(MicControllerLoss, StopWaitsForATickStillWriting) {
    startPhone();
    {
        std::lock_guard<std::mutex> lock(fakes.mic->mutex);
        fakes.mic->holdWrites = true;
    }
    connect(true);
    ASSERT_TRUE(fakes.mic->waitForHeldWrite(kConnectWait));
    controller->requestStop(0);
    ASSERT_TRUE(recorder.waitForCount(3, kConnectWait));
    // Bounded look for a close that must not come while the write is held.
    EXPECT_FALSE(fakes.mic->waitForCall("stop", Millis(300)));
    fakes.mic->releaseWrites();
    ASSERT_TRUE(recorder.waitForCount(4, kConnectWait));
    EXPECT_EQ(recorder.reports(), kEndedWith(0));

    const auto calls = fakes.mic->callsCopy();
    ASSERT_GE(calls.size(), 5u);
    EXPECT_EQ(calls[2], "write held");
    EXPECT_EQ(calls[3].rfind("write ", 0), 0u);
    // Nothing was written after the held one: the timer was stopped.
    EXPECT_EQ(calls.size(), 6u);
    EXPECT_EQ(calls[4], "stop");
    EXPECT_EQ(calls[5], "close");
}

}  // namespace
}  // namespace kavri::test
