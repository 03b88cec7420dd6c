#include "settings/settings.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

namespace kavri {

std::atomic<int> Settings::transportType_{0};
std::atomic<bool> Settings::playLocally_{false};
std::atomic<bool> Settings::autoConnect_{false};
std::atomic<int> Settings::controlPort_{0};
std::atomic<int> Settings::mediaPort_{0};
std::atomic<int> Settings::windowX_{0};
std::atomic<int> Settings::windowY_{0};
std::atomic<int> Settings::windowW_{0};
std::atomic<int> Settings::windowH_{0};
char Settings::wifiServerAddr_[WIFI_ADDR_SIZE] = {};
uint8_t Settings::btAddress_[BT_ADDRESS_SIZE] = {};

namespace {

constexpr int DEFAULT_TRANSPORT = TRANSPORT_BLUETOOTH;
constexpr int DEFAULT_CONTROL_PORT = 8125;
constexpr int DEFAULT_MEDIA_PORT = 49152;
constexpr int DEFAULT_X = 200, DEFAULT_Y = 200, DEFAULT_W = 500, DEFAULT_H = 300;

// C locale isspace, without its undefined behaviour for negative chars.
bool isBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// atoi as the Windows C library does it: leading blanks, optional sign,
// digits up to the first non-digit, 0 without digits; out-of-range values
// saturate instead of being undefined.
int toInt(const char* text) {
    while (isBlank(*text))
        ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    long long value = 0;
    for (; isDigit(*text); ++text) {
        if (value <= static_cast<long long>(INT_MAX) + 1) {
            value = value * 10 + (*text - '0');
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

// One "%d" conversion as sscanf does it. Returns false on a mismatch. Values
// beyond 32 bits wrap around, the way a 32-bit accumulator does.
bool scanInt(const char*& text, int* out) {
    const char* p = text;
    while (isBlank(*p))
        ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    if (!isDigit(*p)) {
        return false;
    }
    uint32_t value = 0;
    for (; isDigit(*p); ++p) {
        value = value * 10u + static_cast<uint32_t>(*p - '0');
    }
    *out = static_cast<int>(negative ? 0u - value : value);
    text = p;
    return true;
}

// Reads one line of any length; false at end of file. The line end (LF or
// CR LF) is dropped; a line stops at a NUL byte as a C string would.
bool readLine(std::FILE* file, std::string& line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = std::fgetc(file)) != EOF) {
        any = true;
        if (c == '\n') {
            break;
        }
        line.push_back(static_cast<char>(c));
    }
    if (!any) {
        return false;
    }
    if (c == '\n' && !line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    line.resize(std::strlen(line.c_str()));
    return true;
}

}  // namespace

void Settings::setWifiServerAddr(const char* text) {
    std::snprintf(wifiServerAddr_, sizeof wifiServerAddr_, "%s", text != nullptr ? text : "");
}

void Settings::getBtAddress(uint8_t out[BT_ADDRESS_SIZE]) {
    std::memcpy(out, btAddress_, BT_ADDRESS_SIZE);
}

void Settings::setBtAddress(const uint8_t address[BT_ADDRESS_SIZE]) {
    std::memcpy(btAddress_, address, BT_ADDRESS_SIZE);
}

void Settings::getWindowPos(int* x, int* y, int* w, int* h) {
    *x = windowX_.load(std::memory_order_relaxed);
    *y = windowY_.load(std::memory_order_relaxed);
    *w = windowW_.load(std::memory_order_relaxed);
    *h = windowH_.load(std::memory_order_relaxed);
}

void Settings::setWindowPos(int x, int y, int w, int h) {
    windowX_.store(x, std::memory_order_relaxed);
    windowY_.store(y, std::memory_order_relaxed);
    windowW_.store(w, std::memory_order_relaxed);
    windowH_.store(h, std::memory_order_relaxed);
}

void Settings::load() {
    setTransportType(DEFAULT_TRANSPORT);
    setWifiServerAddr("");
    setPlayLocally(false);
    setControlPort(DEFAULT_CONTROL_PORT);
    setMediaPort(DEFAULT_MEDIA_PORT);
    setAutoConnect(false);
    setWindowPos(DEFAULT_X, DEFAULT_Y, DEFAULT_W, DEFAULT_H);
    // The Bluetooth address keeps its value: a file without it leaves it as is.

    std::FILE* file = std::fopen(LOAD_PATH, "rb");
    if (file == nullptr) {
        return;
    }
    std::string line;
    while (readLine(file, line)) {
        applyLine(line.c_str());
    }
    std::fclose(file);
}

void Settings::applyLine(const char* line) {
    const char* colon = std::strchr(line, ':');
    if (colon == nullptr) {
        return;
    }
    const std::string key(line, colon);
    const char* value = colon + 1;
    // The key only has to contain a keyword, so blanks or a byte-order mark
    // around it do no harm.
    auto has = [&key](const char* keyword) { return key.find(keyword) != std::string::npos; };
    if (has("transportType")) {
        setTransportType(toInt(value));
    } else if (has("wifiServerAddr")) {
        setWifiServerAddr(value);
    } else if (has("playLocally")) {
        setPlayLocally(std::strchr(value, '1') != nullptr);
    } else if (has("controlPort")) {
        setControlPort(toInt(value));
    } else if (has("mediaPort")) {
        setMediaPort(toInt(value));
    } else if (has("autoConnect")) {
        setAutoConnect(std::strchr(value, '1') != nullptr);
    } else if (has("window")) {
        applyWindow(value);
    } else if (has("btAddress")) {
        applyBtAddress(value);
    }
}

void Settings::applyWindow(const char* value) {
    int numbers[5];
    getWindowPos(&numbers[0], &numbers[1], &numbers[2], &numbers[3]);
    numbers[4] = 0;
    // Numbers that were not read keep their earlier values, as sscanf leaves them.
    const char* p = value;
    for (int i = 0; i < 5; ++i) {
        if (i > 0 && *p++ != ',') {
            break;
        }
        if (!scanInt(p, &numbers[i])) {
            break;
        }
    }
    setWindowPos(numbers[0], numbers[1], numbers[2], numbers[3]);
    // The sum wraps around as 32-bit arithmetic does, so any values are defined.
    uint32_t sum = 0;
    for (int i = 0; i < 4; ++i)
        sum += static_cast<uint32_t>(numbers[i]);
    if (sum != static_cast<uint32_t>(numbers[4])) {
        setWindowPos(DEFAULT_X, DEFAULT_Y, DEFAULT_W, DEFAULT_H);
    }
}

void Settings::applyBtAddress(const char* value) {
    const char* rest = value;
    btAddress_[0] = static_cast<uint8_t>(toInt(rest));
    for (int i = 1; i < BT_ADDRESS_SIZE; ++i) {
        // Without another dot the last number repeats.
        if (const char* dot = std::strchr(rest, '.')) {
            rest = dot + 1;
        }
        btAddress_[i] = static_cast<uint8_t>(toInt(rest));
    }
}

void Settings::save() {
    std::FILE* file = std::fopen(SAVE_PATH, "wb");
    if (file == nullptr) {
        return;
    }
    int x, y, w, h;
    getWindowPos(&x, &y, &w, &h);
    const uint32_t sum = static_cast<uint32_t>(x) + static_cast<uint32_t>(y) +
                         static_cast<uint32_t>(w) + static_cast<uint32_t>(h);
    // CR LF written out on every system, so the file is the same everywhere.
    std::fprintf(file, "transportType:%d\r\n", getTransportType());
    std::fprintf(file, "wifiServerAddr:%s\r\n", wifiServerAddr_);
    std::fprintf(file, "playLocally:%d\r\n", isPlayLocally() ? 1 : 0);
    std::fprintf(file, "controlPort:%d\r\n", getControlPort());
    std::fprintf(file, "mediaPort:%d\r\n", getMediaPort());
    std::fprintf(file, "autoConnect:%d\r\n", isAutoConnect() ? 1 : 0);
    std::fprintf(file, "window:%d,%d,%d,%d,%d\r\n", x, y, w, h, static_cast<int>(sum));
    std::fprintf(file, "btAddress:%d.%d.%d.%d.%d.%d\r\n", btAddress_[0], btAddress_[1],
                 btAddress_[2], btAddress_[3], btAddress_[4], btAddress_[5]);
    std::fflush(file);
    std::fclose(file);
}

}  // namespace kavri
