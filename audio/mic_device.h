#pragma once

#include <cstdint>
#include <memory>

namespace kavri {

// The handful of OS calls the virtual microphone needs. The Windows port is
// CreateFileW/DeviceIoControl/WriteFile on the driver's device; the Linux
// port writes to a named pipe that the sound server exposes as a microphone.
class MicDevicePort {
  public:
    virtual ~MicDevicePort() = default;
    virtual bool openDevice() = 0;
    // Returns false when the call failed; output may be null.
    virtual bool control(uint32_t code, const void* input, uint32_t inputSize, void* output,
                         uint32_t outputSize) = 0;
    virtual void writeFile(const void* data, uint32_t size) = 0;
    virtual void closeDevice() = 0;
};

std::unique_ptr<MicDevicePort> makeSystemMicDevicePort();

class MicDevice {
  public:
    static constexpr uint32_t IOCTL_MIC_WRITE_AUDIO = 0x222001;
    static constexpr uint32_t IOCTL_MIC_GET_CHALLENGE = 0x222004;
    static constexpr uint32_t IOCTL_MIC_SET_RESPONSE = 0x222008;
    static constexpr uint32_t IOCTL_MIC_GET_VERSION = 0x22200C;
    static constexpr uint32_t IOCTL_MIC_SET_RUNNING = 0x222010;
    static constexpr uint32_t IOCTL_MIC_SET_SAMPLE_COUNT = 0x222014;

    MicDevice();  // uses the system port
    explicit MicDevice(std::unique_ptr<MicDevicePort> port);
    ~MicDevice();
    MicDevice(const MicDevice&) = delete;
    MicDevice& operator=(const MicDevice&) = delete;

    bool open();
    void write(const int16_t* samples, int count);
    void close();
    bool isOpen() const { return open_; }
    uint8_t getVersion() const { return version_; }

    static int queryDriverState();
    static int queryDriverState(std::unique_ptr<MicDevicePort> port);

  private:
    std::unique_ptr<MicDevicePort> port_;
    bool open_ = false;
    uint8_t version_ = 0;
};

}  // namespace kavri
