#include "transport/bluetooth/bluez_device_store.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/utf_text.h"

namespace kavri {

namespace {

// Info files are a few hundred bytes; anything past this is not looked at.
constexpr std::streamsize INFO_LIMIT = 64 * 1024;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

bool readInfo(const std::filesystem::path& file, std::string* text) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return false;
    }
    text->assign(static_cast<size_t>(INFO_LIMIT), '\0');
    in.read(text->data(), INFO_LIMIT);
    text->resize(static_cast<size_t>(in.gcount()));
    return true;
}

struct Found {
    std::string key;  // the folder name, for the order
    uint8_t address[BluetoothDeviceRecord::ADDRESS_BYTES];
    std::string name;
};

}  // namespace

bool parseBluezAddress(const std::string& text,
                       uint8_t address[BluetoothDeviceRecord::ADDRESS_BYTES]) {
    if (text.size() != 17) {
        return false;
    }
    uint8_t bytes[BluetoothDeviceRecord::ADDRESS_BYTES];
    for (int i = 0; i < BluetoothDeviceRecord::ADDRESS_BYTES; ++i) {
        const int high = hexDigit(text[static_cast<size_t>(3 * i)]);
        const int low = hexDigit(text[static_cast<size_t>(3 * i + 1)]);
        if (high < 0 || low < 0 || (i < 5 && text[static_cast<size_t>(3 * i + 2)] != ':')) {
            return false;
        }
        // The text starts with the most significant byte.
        bytes[BluetoothDeviceRecord::ADDRESS_BYTES - 1 - i] = static_cast<uint8_t>(high << 4 | low);
    }
    std::copy(bytes, bytes + BluetoothDeviceRecord::ADDRESS_BYTES, address);
    return true;
}

std::string bluezDeviceName(const std::string& infoText) {
    std::string group;
    std::string name;
    std::string alias;
    size_t at = 0;
    while (at < infoText.size()) {
        size_t end = infoText.find('\n', at);
        if (end == std::string::npos) {
            end = infoText.size();
        }
        std::string line = infoText.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line.front() == '[') {
            group = line;
        } else if (group == "[General]" && line.rfind("Name=", 0) == 0) {
            name = line.substr(5);
        } else if (group == "[General]" && line.rfind("Alias=", 0) == 0) {
            alias = line.substr(6);
        }
    }
    return alias.empty() ? name : alias;
}

int loadBluezDevices(const std::string& adapterDir, BluetoothDeviceList* list) {
    std::error_code error;
    std::vector<Found> found;
    std::filesystem::directory_iterator it(adapterDir, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        Found device;
        device.key = it->path().filename().string();
        std::string info;
        if (!parseBluezAddress(device.key, device.address) ||
            !readInfo(it->path() / "info", &info)) {
            continue;
        }
        device.name = bluezDeviceName(info);
        found.push_back(std::move(device));
    }
    if (found.empty() || list == nullptr) {
        return -1;
    }
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return a.key < b.key; });
    list->clear();
    for (const Found& device : found) {
        char16_t name[BluetoothDeviceRecord::NAME_UNITS];
        const int units = utf8ToUtf16(reinterpret_cast<const uint8_t*>(device.name.data()),
                                               static_cast<int>(device.name.size()), name,
                                               BluetoothDeviceRecord::NAME_UNITS, nullptr);
        list->append(device.address, name, units);
    }
    return 0;
}

}  // namespace kavri
