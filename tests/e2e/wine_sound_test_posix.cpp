#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/e2e/sound_session.h"

namespace kavri::test {
namespace {

constexpr int RUN_SECONDS = 11;

// The Windows build's speaker (waveOut, driven by the controller) under Wine,
// through Wine's PulseAudio driver into the private sound server. The Windows
// build's tests start this with the path of its probe program.
TEST(WineSound, WaveOutPlaysEveryFrameSampleExactIntoTheSink) {
    const char* probe = std::getenv("KAVRI_WINE_SPEAKER");
    if (probe == nullptr || *probe == '\0')
        GTEST_SKIP() << "runs from the Windows build's tests (KAVRI_WINE_SPEAKER unset)";
    std::string why;
    if (!soundServerReady(&why)) {
        if (std::getenv("KAVRI_SOUND_REQUIRED") != nullptr)
            FAIL() << why;
        GTEST_SKIP() << why;
    }
    SoundSession session;
    ASSERT_TRUE(session.prepare(&why)) << why;
    std::string out;
    ASSERT_EQ(runCommand("wine reg add 'HKCU\\Software\\Wine\\Drivers' /v Audio /d pulse /f", &out),
              0)
        << out;

    ASSERT_TRUE(session.startRecording(defaultSink() + ".monitor", true, &why)) << why;
    const int exit = session.runProgram(
        {"/usr/bin/wine", probe, std::to_string(RUN_SECONDS), session.dir().file("tap.raw")},
        RUN_SECONDS, true);
    session.stopRecording();
    ASSERT_EQ(exit, 0) << session.consoleOutput();

    const std::vector<int16_t> written = readRawSamples(session.dir().file("tap.raw"));
    const FrameTally client = tallyAndPrint("client wrote", session.reference(), written);
    EXPECT_EQ(client.altered, 0);
    EXPECT_GE(client.exact, (RUN_SECONDS - 1) * 50);

    const FrameTally t =
        tallyAndPrint("Wine waveOut (sink monitor)", splitFrames(written), session.recording());
    EXPECT_GE(t.expected, (RUN_SECONDS - 1) * 50);
    EXPECT_GE(t.exact * 100, t.expected * 99);
    EXPECT_EQ(t.gaps, 0);
    EXPECT_EQ(t.lost, 0);
}

}  // namespace
}  // namespace kavri::test
