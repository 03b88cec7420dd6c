#include <pulse/simple.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "tests/support/test_sound_output.h"

namespace kavri::test {

namespace {

constexpr const char* SINK = "kavri_test";
constexpr int RATE = 48000;

std::string socketPath(const std::string& dir) {
    return dir + "/native";
}

}  // namespace

TestSoundOutput::~TestSoundOutput() {
    stop();
}

bool TestSoundOutput::start() {
    char pattern[] = "/tmp/kavri-sound-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        error_ = "no temporary directory";
        return false;
    }
    dir_ = pattern;
    const std::string socketArg =
        "module-native-protocol-unix socket=" + socketPath(dir_) + " auth-anonymous=1";
    const std::string loadSocket = "--load=" + socketArg;
    const std::string loadSink = std::string("--load=module-null-sink sink_name=") + SINK;
    const std::string log = dir_ + "/log";
    // Everything the child needs is built before the fork.
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("HOME", dir_.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
        if (freopen(log.c_str(), "w", stderr) == nullptr ||
            freopen("/dev/null", "w", stdout) == nullptr) {
            _exit(126);
        }
        execlp("pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
               "--use-pid-file=no", "--disable-shm=yes", "-F", "/dev/null", loadSocket.c_str(),
               loadSink.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0) {
        error_ = "fork failed";
        return false;
    }
    daemon_ = pid;
    // The socket appears once the daemon accepts clients.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(socketPath(dir_))) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            daemon_ = -1;
            error_ = "pulseaudio ended at start";
            return false;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            error_ = "pulseaudio did not start";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    setenv("PULSE_SERVER", ("unix:" + socketPath(dir_)).c_str(), 1);
    return true;
}

void TestSoundOutput::stop() {
    if (daemon_ > 0) {
        kill(static_cast<pid_t>(daemon_), SIGTERM);
        int status = 0;
        waitpid(static_cast<pid_t>(daemon_), &status, 0);
        daemon_ = -1;
        unsetenv("PULSE_SERVER");
    }
    if (!dir_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
        dir_.clear();
    }
}

bool TestSoundOutput::deviceExpected() const {
    return daemon_ > 0;
}

bool TestSoundOutput::canRecord() const {
    return daemon_ > 0;
}

bool TestSoundOutput::pointAtNoServer() {
    return setenv("PULSE_SERVER", "unix:/nonexistent/kavri-no-sound-server", 1) == 0;
}

void TestSoundOutput::forgetServer() {
    unsetenv("PULSE_SERVER");
}

int TestSoundOutput::peakWhile(int milliseconds, void (*play)(void*), void* context) {
    pa_sample_spec format{};
    format.format = PA_SAMPLE_S16LE;
    format.rate = RATE;
    format.channels = 1;
    const std::string monitor = std::string(SINK) + ".monitor";
    int error = 0;
    pa_simple* recorder = pa_simple_new(nullptr, "kavri-test", PA_STREAM_RECORD, monitor.c_str(),
                                        "monitor", &format, nullptr, nullptr, &error);
    if (recorder == nullptr) {
        return -1;
    }
    std::atomic<int> peak{0};
    std::atomic<bool> failed{false};
    std::thread listener([&] {
        std::vector<int16_t> chunk(RATE / 10);  // 100 ms
        for (int done = 0; done < milliseconds; done += 100) {
            int e = 0;
            if (pa_simple_read(recorder, chunk.data(), chunk.size() * sizeof(int16_t), &e) < 0) {
                failed = true;
                return;
            }
            for (int16_t s : chunk) {
                peak = std::max(peak.load(), std::abs(static_cast<int>(s)));
            }
        }
    });
    play(context);
    listener.join();
    pa_simple_free(recorder);
    return failed ? -1 : peak.load();
}

}  // namespace kavri::test

// libpulse is not built for ThreadSanitizer, so the hand-offs between its
// own threads look like races; they are its business, not ours. Only the
// tests that play into a sound server link this file.
extern "C" const char* __tsan_default_suppressions() {
    return "race:libpulse\n"
           "race:libpulsecommon\n"
           "race:libpulse-simple\n";
}
