#include <windows.h>
#include <mmsystem.h>

#include "tests/support/test_sound_output.h"

namespace kavri::test {

TestSoundOutput::~TestSoundOutput() {
    stop();
}

bool TestSoundOutput::start() {
    return true;
}

void TestSoundOutput::stop() {}

// The system decides: a speaker opens exactly when it has an output device.
bool TestSoundOutput::deviceExpected() const {
    return waveOutGetNumDevs() > 0;
}

bool TestSoundOutput::canRecord() const {
    return false;
}

bool TestSoundOutput::pointAtNoServer() {
    return false;
}

void TestSoundOutput::forgetServer() {}

int TestSoundOutput::peakWhile(int, void (*play)(void*), void* context) {
    play(context);
    return -1;
}

}  // namespace kavri::test
