#include "audio/mic_device_port_posix.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kavri {

namespace {

constexpr uint8_t PIPE_DRIVER_VERSION = 3;

// Writing to a pipe whose reader has gone raises SIGPIPE, which would end the
// program. Block it around the write and take back the one the write raised.
ssize_t writeWithoutSigpipe(int fd, const void* data, size_t size) {
    sigset_t pipeSet;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    const bool wasPending = sigismember(&pending, SIGPIPE) == 1;

    sigset_t old;
    pthread_sigmask(SIG_BLOCK, &pipeSet, &old);
    const ssize_t written = ::write(fd, data, size);
    const int error = errno;
    if (written < 0 && error == EPIPE && !wasPending) {
        const timespec noWait{0, 0};
        while (sigtimedwait(&pipeSet, nullptr, &noWait) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &old, nullptr);
    errno = error;
    return written;
}

class MicPipePort : public MicDevicePort {
  public:
    explicit MicPipePort(std::string path) : path_(std::move(path)) {}
    ~MicPipePort() override { closeDevice(); }

    bool openDevice() override {
        closeDevice();
        // Non-blocking: opening fails with ENXIO instead of waiting for a
        // reader, and a full pipe drops a frame instead of stalling the tick.
        fd_ = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) {
            return false;
        }
        struct stat info {};
        if (fstat(fd_, &info) != 0 || !S_ISFIFO(info.st_mode)) {
            closeDevice();  // a plain file there would only grow
            return false;
        }
        return true;
    }

    bool control(uint32_t code, const void*, uint32_t, void* output, uint32_t outputSize) override {
        switch (code) {
            case MicDevice::IOCTL_MIC_GET_VERSION:
                if (output == nullptr || outputSize < 1) {
                    return false;
                }
                *static_cast<uint8_t*>(output) = PIPE_DRIVER_VERSION;
                return true;
            case MicDevice::IOCTL_MIC_GET_CHALLENGE:
            case MicDevice::IOCTL_MIC_SET_RESPONSE:
            case MicDevice::IOCTL_MIC_SET_RUNNING:
            case MicDevice::IOCTL_MIC_SET_SAMPLE_COUNT:
                return fd_ >= 0;  // nothing on the other side to answer
            default:
                return false;
        }
    }

    void writeFile(const void* data, uint32_t size) override {
        if (fd_ >= 0) {
            writeWithoutSigpipe(fd_, data, size);  // EAGAIN: the frame is dropped
        }
    }

    void closeDevice() override {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

  private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace

std::string defaultMicPipePath() {
    const char* pipe = std::getenv("KAVRI_MIC_PIPE");
    if (pipe != nullptr && pipe[0] != '\0') {
        return pipe;
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] != '\0') {
        return std::string(runtime) + "/kavri-mic";
    }
    return "/tmp/kavri-mic";
}

std::unique_ptr<MicDevicePort> makeMicPipePort(const std::string& path) {
    return std::make_unique<MicPipePort>(path);
}

std::unique_ptr<MicDevicePort> makeSystemMicDevicePort() {
    return makeMicPipePort(defaultMicPipePath());
}

}  // namespace kavri
