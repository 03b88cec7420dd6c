#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "audio/mic_device.h"
#include "tests/driver/driver_connection.h"
#include "tests/driver/mic_driver_fixture.h"

namespace kavri::test {
namespace {

constexpr int kFrames = 100;  // two seconds of voice
// Stopping joins the receive and keep-alive threads: well under the keep-alive
// second, never the media wait's three seconds.
constexpr long long kStopBoundMs = 2500;

// Without the microphone the connection plays on: the speaker gets the
// phone's voice, in order, and the stop ends promptly with 0.
void expectSpeakerPlayedTheVoice(const std::vector<ReferenceVoice::Frame>& buffers,
                                 const ReferenceVoice& voice, const char* title) {
    ASSERT_TRUE(voice.ok()) << voice.error();
    const ReferenceVoice::Match match = voice.match(buffers, 960);
    std::printf("%s: speaker %s\n", title, match.summary().c_str());
    DriverConnection::expectWholeVoice(match, receptionStats().rx.load());
}

// Run before the driver is loaded.
class NoDriver : public DriverConnection {};

TEST_F(NoDriver, DeviceIsAbsentAndTheDriverStateIsZero) {
    std::vector<DriverCall> calls;
    ASSERT_FALSE(MicDriverFixture::readRecord(&calls)) << "the test driver is loaded";
    MicDevice device;
    EXPECT_FALSE(device.open());
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(MicDevice::queryDriverState(), 0);
}

TEST_F(NoDriver, ConnectionPlaysToTheSpeaker) {
    connect(true);
    play(kFrames, Millis(20000));
    disconnect();
    EXPECT_LT(stopMillis, kStopBoundMs);
    expectSpeakerPlayedTheVoice(speakerFrames(), reference(), "no driver");
}

class RefusingDriver : public DriverConnection {};

TEST_F(RefusingDriver, ConnectionPlaysToTheSpeakerAndTheDriverTakesNothing) {
    ASSERT_TRUE(MicDriverFixture::configure(3, 0x5F));
    ASSERT_TRUE(MicDriverFixture::clearRecord()) << "the test driver is not loaded";
    connect(true);
    play(kFrames, Millis(20000));
    disconnect();
    EXPECT_LT(stopMillis, kStopBoundMs);
    expectSpeakerPlayedTheVoice(speakerFrames(), reference(), "driver refusing the handshake");

    // The client wrote every tick all the same; the driver refused them all.
    std::vector<DriverCall> calls;
    ASSERT_TRUE(MicDriverFixture::readRecord(&calls));
    ASSERT_EQ(MicDriverFixture::handles(calls).size(), 1u);
    int writes = 0;
    int accepted = 0;
    for (const DriverCall& call : calls) {
        if (call.isAudio()) {
            ++writes;
            accepted += call.accepted() ? 1 : 0;
        }
    }
    EXPECT_GT(writes, 0);
    EXPECT_EQ(static_cast<size_t>(writes), handed->copy().size());
    EXPECT_EQ(accepted, 0);
    const auto lines = MicDriverFixture::describeHandle(calls, calls.at(0).handle);
    EXPECT_EQ(lines.at(5), "control 222010 in 01 out 0 refused");
    EXPECT_EQ(lines.back(), "close");
}

}  // namespace
}  // namespace kavri::test
