#include <time.h>

#include "platform/time_of_day.h"

namespace kavri {

int32_t timeOfDayMs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    // POSIX time has exactly 86400 seconds a day, so the remainder is the
    // time since midnight UTC without a broken-down conversion.
    const int64_t seconds = static_cast<int64_t>(now.tv_sec) % (24 * 60 * 60);
    return static_cast<int32_t>(seconds * 1000 + now.tv_nsec / 1000000);
}

}  // namespace kavri
