#include "core/receive_step.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/connection_state.h"
#include "core/playout_queue.h"
#include "core/reception_stats.h"
#include "tests/core/fake_clock.h"
#include "tests/core/scripted_phone.h"
#include "tests/support/recording_decoder.h"
#include "tests/support/scripted_control_stream.h"
#include "tests/support/scripted_media_stream.h"
#include "transport/phone_link.h"

namespace kavri::test {
namespace {

using Bytes = std::vector<uint8_t>;

// One receive step over datagrams the test queues; an empty queue is a
// receive time-out.
class ReceiveStepTest : public testing::Test {
  protected:
    void SetUp() override {
        auto stream = std::make_unique<ScriptedMediaStream>(ScriptedMediaStream::Mode::Datagrams);
        media = stream.get();
        ASSERT_EQ(link.open(std::make_unique<ScriptedControlStream>(Bytes{}), std::move(stream)),
                  0);
    }

    int run(bool checked) {
        ReceiveStep step(link, decoder, checked, queue, stats, clock);
        const int result = step.run(state, Connected);
        received = step.hasReceived();
        frame = step.frame();
        return result;
    }

    static Bytes badCheck(uint16_t sequence) {
        Bytes packet = ScriptedPhone::checkedPacket(sequence, {5, 6});
        packet[0] ^= 1;
        return packet;
    }

    PhoneLink link;
    ScriptedMediaStream* media = nullptr;
    RecordingDecoder decoder;
    PlayoutQueue queue;
    ReceptionStats stats;
    FakeClock clock;
    std::atomic<int> state{Connected};
    bool received = false;
    AudioFrame frame;
};

TEST_F(ReceiveStepTest, ThirdAttemptMayStillBringTheFrame) {
    media->addDatagram(badCheck(1));
    media->addDatagram(badCheck(2));
    media->addDatagram(ScriptedPhone::checkedPacket(3, {7}));
    EXPECT_EQ(run(true), 0);
    EXPECT_TRUE(received);
    EXPECT_EQ(frame.sequence, 3u);
    EXPECT_EQ(frame.countOfSamples, 960);
    EXPECT_EQ(queue.getCount(), 1);
    EXPECT_EQ(stats.rx.load(), 1);
}

TEST_F(ReceiveStepTest, GivesUpAfterThreeFailedAttempts) {
    media->addDatagram(badCheck(1));
    media->addDatagram(Bytes{0, 0, 0, 1, 0, 9, 1});  // announces more than the datagram holds
    media->addDatagram(badCheck(3));
    media->addDatagram(ScriptedPhone::checkedPacket(4, {7}));
    EXPECT_EQ(run(true), -1);
    EXPECT_FALSE(received);
    EXPECT_EQ(media->datagramsWaiting(), 1) << "a fourth attempt was made";
    EXPECT_EQ(queue.getCount(), 0);
    EXPECT_EQ(stats.rx.load(), 0);
}

TEST_F(ReceiveStepTest, TimeOutsCountAsFailedAttempts) {
    EXPECT_EQ(run(true), -1);
    EXPECT_EQ(decoder.calls, 0);
}

TEST_F(ReceiveStepTest, NoAttemptOnceTheConnectionIsNoLongerRunning) {
    media->addDatagram(ScriptedPhone::checkedPacket(1, {7}));
    state = Disconnecting;
    EXPECT_EQ(run(true), -1);
    EXPECT_EQ(media->datagramsWaiting(), 1);
}

TEST_F(ReceiveStepTest, FullQueueDropsTheFrameAndCountsIt) {
    AudioFrame queued;
    for (int i = 0; i < PlayoutQueue::MAX_FRAMES; ++i)
        ASSERT_TRUE(queue.put(queued));
    media->addDatagram(ScriptedPhone::checkedPacket(1, {7}));
    EXPECT_EQ(run(true), 0);
    EXPECT_EQ(queue.getCount(), PlayoutQueue::MAX_FRAMES);
    EXPECT_EQ(stats.dropped.load(), 1);
    EXPECT_EQ(stats.rx.load(), 1);
}

TEST_F(ReceiveStepTest, FormatFollowsTheProtocolVersion) {
    // The plain reader takes all four header bytes as the header word and
    // checks nothing; the checked one keeps the low 16 bits.
    media->addDatagram(ScriptedPhone::plainPacket(0x12345678, {7}));
    EXPECT_EQ(run(false), 0);
    EXPECT_EQ(frame.sequence, 0x12345678u);
    media->addDatagram(ScriptedPhone::plainPacket(0x12345678, {7}));
    EXPECT_EQ(run(true), -1) << "0x12 is no check byte of the payload";
    media->addDatagram(ScriptedPhone::checkedPacket(0xBEEF, {7}));
    EXPECT_EQ(run(true), 0);
    EXPECT_EQ(frame.sequence, 0xBEEFu);
}

}  // namespace
}  // namespace kavri::test
