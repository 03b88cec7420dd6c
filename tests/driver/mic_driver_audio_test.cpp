#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/driver/driver_connection.h"
#include "tests/driver/mic_driver_fixture.h"

namespace kavri::test {
namespace {

// Ten seconds of voice and a little more.
constexpr int kVoiceFrames = 550;

ReferenceVoice::Frame samplesOf(const DriverCall& call) {
    ReferenceVoice::Frame frame(call.data.size() / 2);
    std::memcpy(frame.data(), call.data.data(), frame.size() * 2);
    return frame;
}

// The phone's voice through the whole client into the driver: decoder,
// queue, timer, the device's real Win32 calls and Wine's kernel, by the write
// path of the driver's version.
class MicDriverAudio : public DriverConnection, public testing::WithParamInterface<uint32_t> {};

TEST_P(MicDriverAudio, TenSecondsOfVoiceArriveSampleExact) {
    const uint32_t version = GetParam();
    ASSERT_TRUE(MicDriverFixture::configure(version));
    ASSERT_TRUE(MicDriverFixture::clearRecord()) << "the test driver is not loaded";
    connect(false);
    play(kVoiceFrames, Millis(40000));
    disconnect();

    std::vector<DriverCall> calls;
    ASSERT_TRUE(MicDriverFixture::readRecord(&calls));
    const auto handles = MicDriverFixture::handles(calls);
    ASSERT_EQ(handles.size(), 1u);
    const auto lines = MicDriverFixture::describeHandle(calls, handles[0]);
    ASSERT_GE(lines.size(), 8u);

    // Opened once with the version's sample count, stopped once, closed.
    EXPECT_EQ(lines[4],
              std::string("control 222014 in ") + (version >= 3 ? "0b 40" : "03 c0") + " out 0 ok");
    EXPECT_EQ(lines[5], "control 222010 in 01 out 0 ok");
    EXPECT_EQ(lines[lines.size() - 2], "control 222010 in 00 out 0 ok");
    EXPECT_EQ(lines.back(), "close");

    // Everything between start and stop is audio, by this version's path
    // only, and the driver took all of it.
    std::vector<ReferenceVoice::Frame> written;
    int refused = 0;
    int otherPath = 0;
    for (const DriverCall& call : calls) {
        if (call.kind == TEST_MIC_CONTROL && call.code != MicDevice::IOCTL_MIC_WRITE_AUDIO)
            continue;
        if (call.kind != TEST_MIC_WRITE && call.kind != TEST_MIC_CONTROL)
            continue;
        if ((call.kind == TEST_MIC_WRITE) != (version >= 3))
            ++otherPath;
        if (!call.accepted())
            ++refused;
        written.push_back(samplesOf(call));
    }
    EXPECT_EQ(written.size(), lines.size() - 8);
    EXPECT_EQ(otherPath, 0);
    EXPECT_EQ(refused, 0);

    // Every block the client handed to the port reached the driver, whole
    // and in order: nothing is lost or changed on the way through Wine.
    const auto handedFrames = handed->copy();
    EXPECT_EQ(written.size(), handedFrames.size());
    EXPECT_TRUE(written == handedFrames) << "the driver received other audio than was sent";

    const ReferenceVoice voice = reference();
    ASSERT_TRUE(voice.ok()) << voice.error();
    const ReferenceVoice::Match match = voice.match(written, 1920);
    std::printf(
        "driver version %u, %s: %zu writes (%zu handed to the port), %s; "
        "received %d, queue dropped %d, ticks missed %d\n",
        version, version >= 3 ? "WriteFile" : "write-audio control", written.size(),
        handedFrames.size(), match.summary().c_str(), receptionStats().rx.load(),
        receptionStats().dropped.load(), receptionStats().missed.load());
    expectWholeVoice(match, receptionStats().rx.load());
    EXPECT_GE(match.lastIndex + 1, 500) << "less than ten seconds of the voice reached the driver";
}

INSTANTIATE_TEST_SUITE_P(Path, MicDriverAudio, testing::Values(3u, 2u), [](const auto& info) {
    return info.param >= 3 ? std::string("WriteFile") : std::string("WriteAudioControl");
});

}  // namespace
}  // namespace kavri::test
