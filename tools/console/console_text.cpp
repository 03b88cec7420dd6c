#include "tools/console/console_text.h"

#include <cstdio>

#include "common/transport_type.h"
#include "core/result_codes.h"

namespace kavri {

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
            return wideToUtf8(connectionLostQuestion());
        case RESULT_NO_AUDIO:
            return wideToUtf8(noAudioMessage(transportType == TRANSPORT_WIFI, mediaPort));
        default:
            return wideToUtf8(resultMessage(result));
    }
}

}  // namespace kavri
