#include <windows.h>
#include <winioctl.h>

#include "audio/mic_device.h"

namespace kavri {

namespace {

// The codes are the driver's; check that they are what the driver's macro makes.
static_assert(CTL_CODE(FILE_DEVICE_UNKNOWN, 0x800, METHOD_IN_DIRECT, FILE_ANY_ACCESS) ==
              MicDevice::IOCTL_MIC_WRITE_AUDIO);
static_assert(CTL_CODE(FILE_DEVICE_UNKNOWN, 0x801, METHOD_BUFFERED, FILE_ANY_ACCESS) ==
              MicDevice::IOCTL_MIC_GET_CHALLENGE);
static_assert(CTL_CODE(FILE_DEVICE_UNKNOWN, 0x802, METHOD_BUFFERED, FILE_ANY_ACCESS) ==
              MicDevice::IOCTL_MIC_SET_RESPONSE);
static_assert(CTL_CODE(FILE_DEVICE_UNKNOWN, 0x803, METHOD_BUFFERED, FILE_ANY_ACCESS) ==
              MicDevice::IOCTL_MIC_GET_VERSION);
static_assert(CTL_CODE(FILE_DEVICE_UNKNOWN, 0x804, METHOD_BUFFERED, FILE_ANY_ACCESS) ==
              MicDevice::IOCTL_MIC_SET_RUNNING);
static_assert(CTL_CODE(FILE_DEVICE_UNKNOWN, 0x805, METHOD_BUFFERED, FILE_ANY_ACCESS) ==
              MicDevice::IOCTL_MIC_SET_SAMPLE_COUNT);

const wchar_t DEVICE_PATH[] = L"\\\\.\\Kavri";

class Win32MicDevicePort : public MicDevicePort {
  public:
    ~Win32MicDevicePort() override { closeDevice(); }

    bool openDevice() override {
        closeDevice();
        handle_ = CreateFileW(DEVICE_PATH, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        return handle_ != INVALID_HANDLE_VALUE;
    }

    bool control(uint32_t code, const void* input, uint32_t inputSize, void* output,
                 uint32_t outputSize) override {
        if (handle_ == INVALID_HANDLE_VALUE) {
            return false;
        }
        DWORD returned = 0;
        return DeviceIoControl(handle_, code, const_cast<void*>(input), inputSize, output,
                               outputSize, &returned, nullptr) != FALSE;
    }

    void writeFile(const void* data, uint32_t size) override {
        if (handle_ == INVALID_HANDLE_VALUE) {
            return;
        }
        DWORD written = 0;
        WriteFile(handle_, data, size, &written, nullptr);
    }

    void closeDevice() override {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
    }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace

std::unique_ptr<MicDevicePort> makeSystemMicDevicePort() {
    return std::make_unique<Win32MicDevicePort>();
}

}  // namespace kavri
