#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "tests/e2e/sound_session.h"

namespace kavri::test {
namespace {

using namespace std::chrono_literals;

constexpr int RUN_SECONDS = 11;

// The speaker test runs longer on request (KAVRI_SPEAKER_SECONDS=60).
int speakerSeconds() {
    const char* text = std::getenv("KAVRI_SPEAKER_SECONDS");
    const int value = text != nullptr ? std::atoi(text) : 0;
    return value > RUN_SECONDS ? value : RUN_SECONDS;
}
constexpr const char* CREATED_SOURCE = "kavri_phone_mic";

bool pathExists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

class LinuxSound : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why;
        if (!soundServerReady(&why)) {
            if (std::getenv("KAVRI_SOUND_REQUIRED") != nullptr)
                FAIL() << why;
            GTEST_SKIP() << why;
        }
        ASSERT_FALSE(sourceExists(CREATED_SOURCE)) << "left over from an earlier run";
        ASSERT_TRUE(session.prepare(&why, speakerSeconds() + 20)) << why;
    }

    // The frames the client wrote must be the reference voice, in order,
    // sample for sample. The playout queue may trim or repeat on its own
    // (printed, not failed): that is the client's choice, not the output's.
    void expectClientWroteTheVoice(int seconds) {
        const FrameTally t =
            tallyAndPrint("client wrote", session.reference(), session.writtenSamples());
        EXPECT_EQ(t.altered, 0);
        EXPECT_GE(t.exact, (seconds - 1) * 50);
    }

    // Every frame the client wrote after the first one heard is in the
    // recording, sample for sample and in order.
    FrameTally expectRecordedExactly(const char* what, int seconds) {
        const FrameTally t = tallyAndPrint(what, session.written(), session.recording());
        EXPECT_GE(t.expected, (seconds - 1) * 50);
        EXPECT_EQ(t.exact, t.expected);
        EXPECT_EQ(t.altered, 0);
        EXPECT_EQ(t.lost, 0);
        return t;
    }

    SoundSession session;
};

TEST_F(LinuxSound, SpeakerPlaysEveryFrameSampleExactIntoTheSink) {
    std::string error;
    ASSERT_TRUE(session.startRecording(defaultSink() + ".monitor", true, &error)) << error;
    const int seconds = speakerSeconds();
    ASSERT_EQ(session.runConsole(seconds, true, {"--no-create-mic"}), 0) << session.consoleOutput();
    session.stopRecording();
    // No pipe, but told not to make one: the microphone stays absent.
    EXPECT_EQ(session.consoleOutput().find("created source"), std::string::npos)
        << session.consoleOutput();
    EXPECT_NE(session.consoleOutput().find("was not available"), std::string::npos)
        << session.consoleOutput();
    expectClientWroteTheVoice(seconds);
    const FrameTally t = expectRecordedExactly("speaker (sink monitor)", seconds);
    EXPECT_EQ(t.gaps, 0) << "the sink ran dry between two frames";
}

// The microphone the client makes itself: there while connected, carrying
// the voice, gone with the program.
TEST_F(LinuxSound, CreatedMicrophoneCarriesEveryFrameAfterTheFirstAndGoesAway) {
    ASSERT_FALSE(pathExists(session.micPipe()));
    ASSERT_TRUE(session.startConsole(RUN_SECONDS, false, {}));
    ASSERT_TRUE(waitUntil([] { return sourceExists(CREATED_SOURCE); }, 5s))
        << session.consoleOutput();
    std::string out;
    runCommand("pactl list sources", &out);
    EXPECT_NE(out.find("Description: Kavri phone microphone"), std::string::npos) << out;
    std::string error;
    const bool recording = session.startRecording(CREATED_SOURCE, false, &error);
    const int exit = session.waitConsole();
    session.stopRecording();
    ASSERT_TRUE(recording) << error;
    ASSERT_EQ(exit, 0) << session.consoleOutput();
    EXPECT_FALSE(sourceExists(CREATED_SOURCE));
    EXPECT_FALSE(pathExists(session.micPipe()));
    EXPECT_NE(session.consoleOutput().find("received the audio"), std::string::npos)
        << session.consoleOutput();
    expectClientWroteTheVoice(RUN_SECONDS);
    expectRecordedExactly("microphone (created pipe source)", RUN_SECONDS);
}

TEST_F(LinuxSound, CreatedMicrophoneGoesAwayAfterAFailedConnectionAndOnInterrupt) {
    session.usePhonePort(pickClosedPort());
    EXPECT_EQ(session.runConsole(5, false, {}), 1) << session.consoleOutput();
    EXPECT_NE(session.consoleOutput().find("microphone: created source kavri_phone_mic"),
              std::string::npos)
        << session.consoleOutput();
    EXPECT_FALSE(sourceExists(CREATED_SOURCE));

    // Ctrl-C while connected to a phone.
    session.usePhonePort(-1);
    ASSERT_TRUE(session.startConsole(0, false, {}));
    ASSERT_TRUE(waitUntil([&] { return session.phone().packetsSent() > 10; }, 10s));
    EXPECT_TRUE(sourceExists(CREATED_SOURCE));
    EXPECT_EQ(session.interruptConsole(), 0) << session.consoleOutput();
    EXPECT_FALSE(sourceExists(CREATED_SOURCE));
    EXPECT_FALSE(pathExists(session.micPipe()));
}

TEST_F(LinuxSound, ExistingPipeSourceIsUsedAndLeftAlone) {
    const std::string source = "kavri_e2e_mic";
    std::string out;
    ASSERT_EQ(runCommand("pactl load-module module-pipe-source source_name=" + source +
                             " file=" + session.micPipe() + " format=s16le rate=48000 channels=1",
                         &out),
              0)
        << out;
    const std::string module = out;
    std::string error;
    const bool recording = session.startRecording(source, false, &error);
    const int exit = recording ? session.runConsole(4, false, {}) : -1;
    session.stopRecording();
    const bool stillThere = sourceExists(source);
    runCommand("pactl unload-module " + module, &out);
    ASSERT_TRUE(recording) << error;
    ASSERT_EQ(exit, 0) << session.consoleOutput();
    EXPECT_TRUE(stillThere);
    EXPECT_FALSE(sourceExists(CREATED_SOURCE));
    EXPECT_EQ(session.consoleOutput().find("created source"), std::string::npos)
        << session.consoleOutput();
    expectRecordedExactly("microphone (pipe source made by pactl)", 4);
}

}  // namespace
}  // namespace kavri::test
