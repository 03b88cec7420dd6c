#include "tools/console/console_text.h"

#include <cstdio>

#include "core/result_codes.h"

namespace kavri {

namespace {

constexpr int WIFI = 3;

void appendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string toUtf8(const wchar_t* text) {
    std::string out;
    for (; text != nullptr && *text != L'\0'; ++text) {
        const uint32_t c = static_cast<uint32_t>(*text);
        appendUtf8(out, c <= 0x10FFFF ? c : 0xFFFD);
    }
    return out;
}

std::string formatTimeOfDay(int32_t ms) {
    if (ms < 0) {
        ms = 0;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", ms / 3600000, ms / 60000 % 60,
                  ms / 1000 % 60, ms % 1000);
    return text;
}

std::string finalResultText(int result, int transportType, int mediaPort) {
    switch (result) {
        case RESULT_OK:
            return "";
        case RESULT_CONNECTION_LOST:
            return toUtf8(connectionLostQuestion());
        case RESULT_NO_AUDIO:
            return toUtf8(noAudioMessage(transportType == WIFI, mediaPort));
        default:
            return toUtf8(resultMessage(result));
    }
}

}  // namespace kavri
