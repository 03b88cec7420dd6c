#pragma once

#include <cstddef>
#include <cstdint>

namespace kavri {

// What the statistics dialog shows, gathered before formatting.
struct StatisticsValues {
    int32_t startTime = 0;
    int32_t endTime = 0;
    int32_t rx = 0;
    int32_t maxDelta = 0;
    int32_t dropped = 0;
    int32_t missed = 0;
    int32_t transportType = 0;
    int32_t controlPort = 0;
    int32_t mediaPort = 0;
    int32_t driverState = 0;
    int32_t timeMin = 0;
};

// Size of the dialog's text buffer, in characters with the terminator.
inline constexpr size_t kStatisticsTextCapacity = 2048;

// Writes the eleven lines (with their blank lines) into out, always
// terminated; returns the length written. A capacity too small for the whole
// text keeps the lines that fit.
size_t formatStatisticsText(const StatisticsValues& values, wchar_t* out, size_t capacity);

}  // namespace kavri
