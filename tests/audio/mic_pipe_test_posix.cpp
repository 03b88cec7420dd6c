#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "audio/mic_device.h"
#include "audio/mic_device_port_posix.h"

namespace kavri {
namespace {

// A temporary directory holding the pipe; removed with everything in it.
class PipeDir {
  public:
    PipeDir() {
        char pattern[] = "/tmp/kavri-mic-test-XXXXXX";
        const char* made = mkdtemp(pattern);
        EXPECT_NE(made, nullptr);
        dir_ = made ? made : "";
        path_ = dir_ + "/mic";
    }
    ~PipeDir() {
        unlink(path_.c_str());
        rmdir(dir_.c_str());
    }
    const std::string& path() const { return path_; }
    bool makeFifo() const { return mkfifo(path_.c_str(), 0600) == 0; }

  private:
    std::string dir_;
    std::string path_;
};

// The sound server's end of the pipe.
class Reader {
  public:
    explicit Reader(const std::string& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {}
    ~Reader() { closeNow(); }
    bool ok() const { return fd_ >= 0; }
    void closeNow() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    std::vector<uint8_t> drain() {
        std::vector<uint8_t> all;
        uint8_t chunk[4096];
        for (;;) {
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n <= 0)
                break;
            all.insert(all.end(), chunk, chunk + n);
        }
        return all;
    }

  private:
    int fd_;
};

std::vector<uint8_t> frameBytes(const int16_t* samples, int count) {
    const auto* p = reinterpret_cast<const uint8_t*>(samples);
    return std::vector<uint8_t>(p, p + count * 2);
}

TEST(MicPipe, ActsAsVersionThreeDriverAndDeliversPlainSamples) {
    PipeDir dir;
    ASSERT_TRUE(dir.makeFifo());
    Reader reader(dir.path());
    ASSERT_TRUE(reader.ok());

    MicDevice device(makeMicPipePort(dir.path()));
    ASSERT_TRUE(device.open());
    EXPECT_EQ(device.getVersion(), 3);
    EXPECT_TRUE(reader.drain().empty());  // the handshake writes nothing

    int16_t frame[960];
    for (int i = 0; i < 960; ++i)
        frame[i] = static_cast<int16_t>(i * 53 - 25000);
    device.write(frame, 960);
    device.write(frame + 10, 480);
    std::vector<uint8_t> expected = frameBytes(frame, 960);
    const std::vector<uint8_t> second = frameBytes(frame + 10, 480);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(reader.drain(), expected);

    device.close();
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(MicDevice::queryDriverState(makeMicPipePort(dir.path())), 1);
}

TEST(MicPipe, AbsentWithoutPipeWithoutReaderOrWithAPlainFile) {
    PipeDir dir;
    MicDevice missing(makeMicPipePort(dir.path()));
    EXPECT_FALSE(missing.open());
    EXPECT_EQ(MicDevice::queryDriverState(makeMicPipePort(dir.path())), 0);

    ASSERT_TRUE(dir.makeFifo());
    MicDevice unread(makeMicPipePort(dir.path()));
    EXPECT_FALSE(unread.open());  // nobody reads: ENXIO, not a wait
    EXPECT_EQ(MicDevice::queryDriverState(makeMicPipePort(dir.path())), 0);

    unlink(dir.path().c_str());
    const int file = ::open(dir.path().c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(file, 0);
    ::close(file);
    MicDevice plain(makeMicPipePort(dir.path()));
    EXPECT_FALSE(plain.open());
    struct stat info {};
    ASSERT_EQ(stat(dir.path().c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 0);
}

TEST(MicPipe, FullPipeDropsWholeFramesWithoutBlocking) {
    PipeDir dir;
    ASSERT_TRUE(dir.makeFifo());
    Reader reader(dir.path());
    ASSERT_TRUE(reader.ok());
    MicDevice device(makeMicPipePort(dir.path()));
    ASSERT_TRUE(device.open());

    int16_t frame[960];
    for (int i = 0; i < 960; ++i)
        frame[i] = static_cast<int16_t>(i);
    const int frames = 200;  // far more than a pipe holds; a blocking write would hang here
    for (int i = 0; i < frames; ++i)
        device.write(frame, 960);

    const std::vector<uint8_t> got = reader.drain();
    EXPECT_GT(got.size(), 0u);
    EXPECT_LT(got.size(), static_cast<size_t>(frames) * 1920);
    EXPECT_EQ(got.size() % 1920, 0u);
    // The pipe works again once drained.
    device.write(frame, 960);
    EXPECT_EQ(reader.drain(), frameBytes(frame, 960));
}

TEST(MicPipe, VanishedReaderNeitherKillsNorSignals) {
    PipeDir dir;
    ASSERT_TRUE(dir.makeFifo());
    std::optional<Reader> reader(std::in_place, dir.path());
    ASSERT_TRUE(reader->ok());
    MicDevice device(makeMicPipePort(dir.path()));
    ASSERT_TRUE(device.open());
    reader.reset();

    int16_t frame[960] = {};
    device.write(frame, 960);  // EPIPE, and SIGPIPE would end the test program
    sigset_t pending;
    sigemptyset(&pending);
    ASSERT_EQ(sigpending(&pending), 0);
    EXPECT_EQ(sigismember(&pending, SIGPIPE), 0);

    // A reader that comes back gets the frames that follow.
    Reader again(dir.path());
    ASSERT_TRUE(again.ok());
    frame[0] = 7;
    device.write(frame, 960);
    EXPECT_EQ(again.drain(), frameBytes(frame, 960));
}

// Sets or clears an environment variable for one test and restores it.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(MicPipe, PathFromEnvironmentThenRuntimeDirThenTmp) {
    {
        ScopedEnv pipe("KAVRI_MIC_PIPE", "/somewhere/else");
        ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/1000");
        EXPECT_EQ(defaultMicPipePath(), "/somewhere/else");
    }
    {
        ScopedEnv pipe("KAVRI_MIC_PIPE", "");
        ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/1000");
        EXPECT_EQ(defaultMicPipePath(), "/run/user/1000/kavri-mic");
    }
    {
        ScopedEnv pipe("KAVRI_MIC_PIPE", nullptr);
        ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
        EXPECT_EQ(defaultMicPipePath(), "/tmp/kavri-mic");
    }
}

TEST(MicPipe, SystemDeviceUsesThePipeNamedByTheEnvironment) {
    PipeDir dir;
    ASSERT_TRUE(dir.makeFifo());
    Reader reader(dir.path());
    ASSERT_TRUE(reader.ok());
    ScopedEnv pipe("KAVRI_MIC_PIPE", dir.path().c_str());
    MicDevice device;
    ASSERT_TRUE(device.open());
    int16_t frame[960] = {1, 2, 3};
    device.write(frame, 960);
    EXPECT_EQ(reader.drain(), frameBytes(frame, 960));
    EXPECT_EQ(MicDevice::queryDriverState(), 1);
}

}  // namespace
}  // namespace kavri
