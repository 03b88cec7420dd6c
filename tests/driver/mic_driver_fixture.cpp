#include "tests/driver/mic_driver_fixture.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "audio/mic_device.h"

namespace kavri::test {

namespace {

constexpr DWORD READ_CHUNK = 256 * 1024;

bool setDword(HKEY key, const wchar_t* name, uint32_t value) {
    const DWORD data = value;
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data) == ERROR_SUCCESS;
}

// A handle on the driver's record device, closed on every path.
class RecordDevice {
  public:
    RecordDevice()
        : handle_(CreateFileW(TEST_MIC_RECORD_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~RecordDevice() {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    RecordDevice(const RecordDevice&) = delete;
    RecordDevice& operator=(const RecordDevice&) = delete;

    bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool control(DWORD code, void* input, DWORD inputSize, void* output, DWORD outputSize,
                 DWORD* returned) {
        return DeviceIoControl(handle_, code, input, inputSize, output, outputSize, returned,
                               nullptr) != FALSE;
    }

  private:
    HANDLE handle_;
};

std::string hexBytes(const std::vector<uint8_t>& bytes) {
    std::string text;
    char part[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(part, sizeof part, i == 0 ? "%02x" : " %02x", bytes[i]);
        text += part;
    }
    return text;
}

bool parseRecord(const std::vector<uint8_t>& bytes, std::vector<DriverCall>* calls) {
    size_t at = 0;
    while (at < bytes.size()) {
        TestMicEvent event;
        if (bytes.size() - at < sizeof event)
            return false;
        std::memcpy(&event, bytes.data() + at, sizeof event);
        at += sizeof event;
        if (bytes.size() - at < event.dataLength)
            return false;
        DriverCall call;
        call.kind = event.kind;
        call.handle = event.handle;
        call.code = event.code;
        call.status = event.status;
        call.inputLength = event.inputLength;
        call.outputLength = event.outputLength;
        call.information = event.information;
        call.flags = event.flags;
        std::memcpy(call.value, event.value, sizeof call.value);
        call.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                         bytes.begin() + static_cast<std::ptrdiff_t>(at + event.dataLength));
        at += event.dataLength;
        calls->push_back(std::move(call));
    }
    return true;
}

}  // namespace

bool DriverCall::isAudio() const {
    return kind == TEST_MIC_WRITE ||
           (kind == TEST_MIC_CONTROL && code == MicDevice::IOCTL_MIC_WRITE_AUDIO);
}

std::string DriverCall::describe() const {
    char text[160];
    const char* outcome = accepted() ? "ok" : "refused";
    switch (kind) {
        case TEST_MIC_CREATE:
            std::snprintf(text, sizeof text, "open share %u options %x", value[1], value[2]);
            return text;
        case TEST_MIC_WRITE:
            std::snprintf(text, sizeof text, "write %u bytes %s", inputLength, outcome);
            return text;
        case TEST_MIC_CLEANUP:
            return "cleanup";
        case TEST_MIC_CLOSE:
            return "close";
        case TEST_MIC_CONTROL:
            break;
        default:
            return "unknown " + std::to_string(kind);
    }
    std::string in = code == MicDevice::IOCTL_MIC_WRITE_AUDIO
                         ? std::to_string(inputLength) + " bytes"
                         : (data.empty() ? "-" : hexBytes(data));
    std::snprintf(text, sizeof text, "control %x in %s out %u", code, in.c_str(), outputLength);
    std::string line = text;
    if (information > 0 && code != MicDevice::IOCTL_MIC_WRITE_AUDIO) {
        std::snprintf(text, sizeof text, " -> %02x", value[0]);
        line += text;
    }
    return line + " " + outcome;
}

bool MicDriverFixture::configure(uint32_t version, uint32_t key) {
    HKEY parameters = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, TEST_MIC_PARAMETERS_KEY, 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &parameters, nullptr) != ERROR_SUCCESS)
        return false;
    const bool ok = setDword(parameters, TEST_MIC_VALUE_VERSION, version) &&
                    setDword(parameters, TEST_MIC_VALUE_KEY, key);
    RegCloseKey(parameters);
    return ok;
}

bool MicDriverFixture::clearRecord() {
    RecordDevice device;
    DWORD returned = 0;
    return device.ok() &&
           device.control(TEST_MIC_IOCTL_CLEAR_RECORD, nullptr, 0, nullptr, 0, &returned);
}

bool MicDriverFixture::readRecord(std::vector<DriverCall>* calls) {
    calls->clear();
    RecordDevice device;
    if (!device.ok())
        return false;
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> chunk(READ_CHUNK);
    for (;;) {
        uint32_t offset = static_cast<uint32_t>(bytes.size());
        DWORD returned = 0;
        if (!device.control(TEST_MIC_IOCTL_READ_RECORD, &offset, sizeof offset, chunk.data(),
                            READ_CHUNK, &returned))
            return false;
        if (returned == 0)
            break;
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + returned);
    }
    return parseRecord(bytes, calls);
}

std::vector<std::string> MicDriverFixture::describeHandle(const std::vector<DriverCall>& calls,
                                                          uint32_t handle) {
    std::vector<std::string> lines;
    for (const DriverCall& call : calls) {
        if (call.handle == handle)
            lines.push_back(call.describe());
    }
    return lines;
}

std::vector<uint32_t> MicDriverFixture::handles(const std::vector<DriverCall>& calls) {
    std::vector<uint32_t> opened;
    for (const DriverCall& call : calls) {
        if (call.kind == TEST_MIC_CREATE)
            opened.push_back(call.handle);
    }
    return opened;
}

}  // namespace kavri::test
