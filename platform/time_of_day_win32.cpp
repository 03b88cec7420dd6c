#include <windows.h>

#include "platform/time_of_day.h"

namespace kavri {

int32_t timeOfDayMs() {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    return timeOfDayMs(now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
}

}  // namespace kavri
