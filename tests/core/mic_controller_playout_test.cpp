#include <gtest/gtest.h>

#include "core/mic_controller.h"
#include "core/reception_stats.h"
#include "tests/core/mic_controller_phone.h"

namespace kavri::test {
namespace {

// The test sends every packet itself and drives every tick, so it knows
// exactly what the queue holds.
class MicControllerPlayout : public PhoneFixture {
  protected:
    void SetUp() override {
        startSilentPhone();
        controller = std::make_unique<MicController>(&recorder, fakes.make());
        ASSERT_EQ(controller->connect(), 0);
        ASSERT_TRUE(recorder.waitForCount(2, kConnectWait));
        ASSERT_EQ(controller->getState(), Connected);
        ASSERT_TRUE(fakes.clock->waitForRunning(kConnectWait));
    }

    void TearDown() override {
        if (controller && controller->getState() == Connected) {
            stop();
            EXPECT_EQ(recorder.reports().back(), Report(0, 0));
        }
        controller.reset();
    }

    // A user stop; one more packet wakes the receive thread from its wait.
    void stop() {
        const size_t count = recorder.reports().size();
        controller->requestStop(0);
        ASSERT_TRUE(recorder.waitForCount(count + 1, kConnectWait));
        voice.send(*phone, 1);
        ASSERT_TRUE(recorder.waitForCount(count + 2, kConnectWait));
    }

    // Sends count packets and waits until the receive thread has them all.
    void send(int count) {
        const int target = voice.sent() + count;
        ASSERT_TRUE(voice.send(*phone, count));
        ASSERT_TRUE(waitForRx(target));
    }

    // Ticks count times; every tick must find a frame.
    void goodTicks(int count) {
        const int missed = receptionStats().missed.load();
        for (int i = 0; i < count; ++i) {
            ASSERT_TRUE(fakes.clock->tick());
        }
        ASSERT_EQ(receptionStats().missed.load(), missed) << "a tick found the queue empty";
    }

    // Ticks until one finds the queue empty; the number of good ticks before it.
    int drain() {
        const int missed = receptionStats().missed.load();
        int good = 0;
        while (fakes.clock->tick() && receptionStats().missed.load() == missed && good < 20) {
            ++good;
        }
        return good;
    }

    // The last frame written to the microphone.
    Samples lastFrame() { return fakes.mic->framesCopy().back(); }

    VoiceScript voice;
    ReportRecorder recorder;
    FakeOutputs fakes;
    std::unique_ptr<MicController> controller;
};

TEST_F(MicControllerPlayout, TicksBeforeTheFirstFrameWriteSilence) {
    Settings::setPlayLocally(true);
    ASSERT_TRUE(fakes.clock->tick());
    ASSERT_TRUE(fakes.clock->tick());
    EXPECT_EQ(receptionStats().missed.load(), 2);
    const auto frames = fakes.mic->framesCopy();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], Samples(1920, 0));
    EXPECT_EQ(frames[1], Samples(1920, 0));
    // The speaker takes the long silence frame in buffers of 960 samples.
    const auto buffers = fakes.speaker->buffersCopy();
    ASSERT_EQ(buffers.size(), 4u);
    for (const auto& buffer : buffers)
        EXPECT_EQ(buffer, Samples(960, 0));
}

TEST_F(MicControllerPlayout, FramesReachBothOutputsInOrderAndRepeatWhenLate) {
    ASSERT_TRUE(voice.send(*phone, 5));
    ASSERT_TRUE(waitForRx(5));
    Settings::setPlayLocally(true);
    goodTicks(4);
    Settings::setPlayLocally(false);  // takes effect at the next tick
    goodTicks(1);
    ASSERT_TRUE(fakes.clock->tick());
    EXPECT_EQ(receptionStats().missed.load(), 1);

    const auto frames = fakes.mic->framesCopy();
    ASSERT_EQ(frames.size(), 6u);
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(frames[i], voice.frame(i)) << "frame " << i;
    EXPECT_EQ(frames[5], voice.frame(4)) << "an empty queue repeats the last frame";
    const auto buffers = fakes.speaker->buffersCopy();
    ASSERT_EQ(buffers.size(), 4u);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(buffers[i], voice.frame(i)) << "buffer " << i;
    EXPECT_EQ(receptionStats().rx.load(), 5);
    EXPECT_EQ(receptionStats().dropped.load(), 0);
}

TEST_F(MicControllerPlayout, NineQueuedFramesDropTheTenth) {
    send(9);
    EXPECT_EQ(receptionStats().dropped.load(), 0);
    send(1);
    EXPECT_EQ(receptionStats().rx.load(), 10);
    EXPECT_EQ(receptionStats().dropped.load(), 1);
    EXPECT_EQ(drain(), 9);
    const auto frames = fakes.mic->framesCopy();
    ASSERT_EQ(frames.size(), 10u);
    for (size_t i = 0; i < 9; ++i)
        EXPECT_EQ(frames[i], voice.frame(i)) << "frame " << i;
    EXPECT_EQ(frames[9], voice.frame(8));

    // Room again: the next frame is queued.
    send(1);
    EXPECT_EQ(drain(), 1);
    EXPECT_EQ(lastFrame(), voice.frame(10));
    EXPECT_EQ(receptionStats().dropped.load(), 1);
}

TEST_F(MicControllerPlayout, TrimsTheBacklogToThreeAfterHundredGoodTicks) {
    // A tick that misses starts the count of good ticks from 0.
    ASSERT_TRUE(fakes.clock->tick());
    ASSERT_EQ(receptionStats().missed.load(), 1);

    // 99 good ticks, many of which leave more than three frames behind:
    // no trim yet, so every frame comes out.
    for (int batch = 0; batch < 11; ++batch) {
        send(9);
        goodTicks(9);
    }
    // Good tick 100 leaves three frames: neither a trim nor a new count.
    send(4);
    goodTicks(1);
    // Good tick 101 leaves four: trimmed to the newest three, count from 0.
    send(2);
    goodTicks(1);
    // So a full queue now comes out whole.
    send(6);
    goodTicks(9);
    EXPECT_EQ(drain(), 0);

    const auto frames = fakes.mic->framesCopy();
    ASSERT_EQ(frames.size(), 1u + 99 + 1 + 1 + 9 + 1);
    for (size_t i = 0; i < 100; ++i)
        ASSERT_EQ(frames[1 + i], voice.frame(i)) << "frame " << i;
    EXPECT_EQ(frames[101], voice.frame(100));
    for (size_t i = 0; i < 9; ++i)
        EXPECT_EQ(frames[102 + i], voice.frame(102 + i)) << "after the trim " << i;
    EXPECT_EQ(frames[111], voice.frame(110));
}

TEST_F(MicControllerPlayout, GoodTickCountOutlivesTheConnection) {
    ASSERT_TRUE(fakes.clock->tick());  // a miss: the count starts from 0
    for (int batch = 0; batch < 11; ++batch) {
        send(9);
        goodTicks(9);
    }
    stop();
    ASSERT_EQ(controller->connect(), 0);
    ASSERT_TRUE(recorder.waitForCount(6, kConnectWait));
    ASSERT_TRUE(fakes.clock->waitForRunning(kConnectWait));

    // Good tick 100 comes in the new connection and trims at once.
    VoiceScript fresh;
    ASSERT_TRUE(fresh.send(*phone, 5));
    ASSERT_TRUE(waitForRx(5));
    goodTicks(1);
    EXPECT_EQ(drain(), 3);
    EXPECT_EQ(lastFrame(), fresh.frame(4));
}

TEST_F(MicControllerPlayout, StopClosesTheOutputsAfterTheLastWrite) {
    send(2);
    goodTicks(2);
    stop();
    EXPECT_FALSE(fakes.clock->tick());
    const auto calls = fakes.mic->callsCopy();
    const std::vector<std::string> expected{"open",      "run",  "write 960",
                                            "write 960", "stop", "close"};
    EXPECT_EQ(calls, expected);
    controller.reset();
}

}  // namespace
}  // namespace kavri::test
