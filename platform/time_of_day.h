#pragma once

#include <cstdint>

namespace kavri {

constexpr int32_t MS_PER_DAY = 24 * 60 * 60 * 1000;

// The reception statistics' clock: milliseconds since midnight UTC by the
// system clock, ((hour * 60 + minute) * 60 + second) * 1000 + milliseconds.
// It wraps to 0 at midnight.
int32_t timeOfDayMs();

constexpr int32_t timeOfDayMs(int hour, int minute, int second, int millis) {
    return ((hour * 60 + minute) * 60 + second) * 1000 + millis;
}

}  // namespace kavri
