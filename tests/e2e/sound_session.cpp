#include "tests/e2e/sound_session.h"

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/loopback_phone.h"

namespace kavri::test {

namespace {

using namespace std::chrono_literals;

std::string trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.pop_back();
    return s;
}

long fileSize(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
}

}  // namespace

int pickClosedPort() {
    // Free a moment ago for UDP; nothing listens on it for TCP either.
    return pickFreeUdpPort();
}

bool soundServerReady(std::string* why) {
    const char* server = std::getenv("PULSE_SERVER");
    if (server == nullptr || *server == '\0') {
        *why = "no private sound server: PULSE_SERVER is unset (scripts/test starts one)";
        return false;
    }
    std::string out;
    if (runCommand("pactl info", &out) != 0) {
        *why = std::string("the sound server at ") + server + " does not answer: " + out;
        return false;
    }
    return true;
}

std::string defaultSink() {
    std::string out;
    runCommand("pactl get-default-sink", &out);
    return trimmed(out);
}

bool sourceExists(const std::string& name) {
    std::string out;
    runCommand("pactl list short sources", &out);
    return out.find("\t" + name + "\t") != std::string::npos;
}

SoundSession::SoundSession() = default;

SoundSession::~SoundSession() {
    stopRecording();
    if (phone_)
        phone_->stop();
}

bool SoundSession::prepare(std::string* error, int voiceSeconds) {
    const std::string wav = dir_.file("voice.wav");
    if (!reference_.writeWav(wav, voiceSeconds)) {
        *error = "cannot write " + wav;
        return false;
    }
    if (!reference_.decode(wav, BITRATE, voiceSeconds * 50, error))
        return false;
    if (std::getenv("KAVRI_KEEP_E2E") != nullptr) {  // for a look afterwards
        if (FILE* f = std::fopen(dir_.file("reference.raw").c_str(), "wb")) {
            for (const auto& frame : reference_.frames())
                std::fwrite(frame.data(), 2, frame.size(), f);
            std::fclose(f);
        }
    }
    PhoneSimConfig config;
    config.wavFile = wav;
    config.bitrate = BITRATE;
    phone_ = std::make_unique<PhoneSimulator>(config);
    if (!phone_->start()) {
        *error = "phone simulator: " + phone_->lastError();
        return false;
    }
    return true;
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

int recorderCount() {
    std::string out;
    runCommand("pactl list short source-outputs", &out);
    int lines = 0;
    for (char c : out)
        lines += c == '\n' ? 1 : 0;
    return lines;
}

bool SoundSession::startRecording(const std::string& source, bool awaitSound, std::string* error) {
    const std::string raw = dir_.file("rec.raw");
    const int recordersBefore = recorderCount();
    if (!recorder_.start({"/usr/bin/parec", "--device=" + source, "--format=s16le", "--rate=48000",
                          "--channels=1", "--latency-msec=20", "--raw", raw},
                         dir_.path(), dir_.file("parec.txt"))) {
        *error = "cannot start parec";
        return false;
    }
    // Recording has begun once the first bytes are on disk, or (for a silent
    // source) once the server lists the recorder.
    const bool began = awaitSound
                           ? waitUntil([&] { return fileSize(raw) > 0; }, 5s)
                           : waitUntil([&] { return recorderCount() > recordersBefore; }, 5s);
    if (!began) {
        *error = "parec did not record from " + source + ": " + readFile(dir_.file("parec.txt"));
    }
    return began;
}

int SoundSession::runConsole(int seconds, bool playLocally, const std::vector<std::string>& options,
                             const std::vector<std::string>& env) {
    return startConsole(seconds, playLocally, options, env) ? waitConsole() : -1;
}

int SoundSession::interruptConsole() {
    return console_.stop(SIGINT, 20s);
}

int SoundSession::waitConsole() {
    return console_.wait(std::chrono::seconds(consoleSeconds_ + 40));
}

bool SoundSession::writeSettings(bool playLocally) {
    char settings[512];
    std::snprintf(settings, sizeof settings,
                  "transportType:3\r\nwifiServerAddr:127.0.0.1\r\nplayLocally:%d\r\n"
                  "controlPort:%d\r\nmediaPort:%d\r\nautoConnect:0\r\n"
                  "window:200,200,500,300,1200\r\nbtAddress:0.0.0.0.0.0\r\n",
                  playLocally ? 1 : 0, phonePort_ >= 0 ? phonePort_ : phone_->controlPort(),
                  pickFreeUdpPort());
    FILE* f = std::fopen(dir_.file("settings.dat").c_str(), "wb");
    if (f == nullptr)
        return false;
    const bool ok = std::fputs(settings, f) >= 0;
    return std::fclose(f) == 0 && ok;
}

bool SoundSession::startConsole(int seconds, bool playLocally,
                                const std::vector<std::string>& options,
                                const std::vector<std::string>& env) {
    if (!writeSettings(playLocally))
        return false;
    std::vector<std::string> argv = {KAVRI_CONSOLE, "--seconds", std::to_string(seconds), "--wav",
                                     dir_.file("tap.wav")};
    argv.insert(argv.end(), options.begin(), options.end());
    std::vector<std::string> fullEnv = {"KAVRI_MIC_PIPE=" + micPipe()};
    fullEnv.insert(fullEnv.end(), env.begin(), env.end());
    consoleSeconds_ = seconds;
    return console_.start(argv, dir_.path(), dir_.file("console.txt"), fullEnv);
}

int SoundSession::runProgram(const std::vector<std::string>& argv, int seconds, bool playLocally) {
    if (!writeSettings(playLocally))
        return -1;
    consoleSeconds_ = seconds;
    if (!console_.start(argv, dir_.path(), dir_.file("console.txt")))
        return -1;
    return waitConsole();
}

void SoundSession::stopRecording() {
    if (recorder_.running())
        recorder_.stop(SIGINT, 5s);
}

std::vector<std::vector<int16_t>> SoundSession::written() const {
    return splitFrames(readWavSamples(dir_.file("tap.wav")));
}

FrameTally tallyAndPrint(const char* what, const std::vector<std::vector<int16_t>>& expected,
                         const std::vector<int16_t>& recording) {
    const FrameTally t = alignFrames(expected, recording);
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string line =
        std::string(test != nullptr ? test->name() : "") + ": " + what + ": " + t.text() + "\n";
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
    // The test run gathers these lines, since it shows no output of a pass.
    if (const char* report = std::getenv("KAVRI_SOUND_REPORT")) {
        if (FILE* f = std::fopen(report, "a")) {
            std::fputs(line.c_str(), f);
            std::fclose(f);
        }
    }
    return t;
}

}  // namespace kavri::test
