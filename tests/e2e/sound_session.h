#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/child_run.h"
#include "tests/e2e/frame_alignment.h"
#include "tests/e2e/reference_voice.h"
#include "tools/phone_sim/lib/phone_simulator.h"

namespace kavri::test {

// Whether the private sound server of the test run answers; why not if not.
bool soundServerReady(std::string* why);
// The server's default sink (the null sink the test run made).
std::string defaultSink();
// Whether the server has a source of that name.
bool sourceExists(const std::string& name);

// One run of kavri-console against the phone simulator playing a voice file,
// with a recording client of the sound server listening to one source.
class SoundSession {
  public:
    static constexpr int VOICE_SECONDS = 30;
    static constexpr int BITRATE = 32000;

    SoundSession();
    ~SoundSession();

    // Writes the voice, decodes the reference and starts the phone.
    bool prepare(std::string* error, int voiceSeconds = VOICE_SECONDS);
    // Records source (raw 48 kHz mono s16) until stopRecording(). A sink's
    // monitor always carries sound, so there the recording is awaited; a
    // pipe source is silent until written, so there only the recorder is.
    bool startRecording(const std::string& source, bool awaitSound, std::string* error);
    // Runs the console for that long with these extra options; its exit code.
    int runConsole(int seconds, bool playLocally, const std::vector<std::string>& options,
                   const std::vector<std::string>& env = {});
    bool startConsole(int seconds, bool playLocally, const std::vector<std::string>& options,
                      const std::vector<std::string>& env = {});
    int waitConsole();
    // Runs another client program the same way (settings.dat written first).
    int runProgram(const std::vector<std::string>& argv, int seconds, bool playLocally);
    // Ctrl-C, then its exit code.
    int interruptConsole();
    // Settings for a phone at this control port (default: the simulator).
    void usePhonePort(int port) { phonePort_ = port; }
    void stopRecording();

    const ScratchDir& dir() const { return dir_; }
    std::string consoleOutput() const { return readFile(dir_.file("console.txt")); }
    std::string micPipe() const { return dir_.file("mic"); }
    std::vector<int16_t> recording() const { return readRawSamples(dir_.file("rec.raw")); }
    // What the controller wrote to the microphone and the speaker, frame by
    // frame; the console starts with silence (3840 bytes: two frames).
    std::vector<std::vector<int16_t>> written() const;
    std::vector<int16_t> writtenSamples() const { return readWavSamples(dir_.file("tap.wav")); }
    const std::vector<std::vector<int16_t>>& reference() const { return reference_.frames(); }
    PhoneSimulator& phone() { return *phone_; }

  private:
    bool writeSettings(bool playLocally);

    ScratchDir dir_;
    ReferenceVoice reference_;
    std::unique_ptr<PhoneSimulator> phone_;
    ChildRun recorder_;
    ChildRun console_;
    int consoleSeconds_ = 0;
    int phonePort_ = -1;
};

// A loopback TCP port that nothing listens on.
int pickClosedPort();

// Polls a condition every 20 ms until it holds or the time is up.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// Prints and returns the tally of expected frames in a recording.
FrameTally tallyAndPrint(const char* what, const std::vector<std::vector<int16_t>>& expected,
                         const std::vector<int16_t>& recording);

}  // namespace kavri::test
