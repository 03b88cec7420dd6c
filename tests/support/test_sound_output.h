#pragma once

#include <string>

namespace kavri::test {

// The sound output the speaker tests play into. Natively a private PulseAudio
// daemon of the test's own with a null sink, whose monitor records what was
// played; the process is pointed at it through PULSE_SERVER. Under Windows
// the system's own wave output devices, which cannot be recorded.
class TestSoundOutput {
  public:
    TestSoundOutput() = default;
    ~TestSoundOutput();
    TestSoundOutput(const TestSoundOutput&) = delete;
    TestSoundOutput& operator=(const TestSoundOutput&) = delete;

    // Sets the output up; false (with error()) when that is impossible.
    bool start();
    // Whether a speaker opened now must succeed.
    bool deviceExpected() const;
    // Whether peakWhile can hear what plays.
    bool canRecord() const;
    // Points the process at a sound server that does not exist (natively);
    // false where there is no such thing to point at.
    static bool pointAtNoServer();
    // Back to the system's own choice of server.
    static void forgetServer();

    // Records for the given time while play() runs on this thread; the
    // largest sample magnitude heard, or -1 when recording failed.
    int peakWhile(int milliseconds, void (*play)(void*), void* context);

    const std::string& error() const { return error_; }

  private:
    void stop();

    std::string error_;
    std::string dir_;
    long daemon_ = -1;
};

}  // namespace kavri::test
