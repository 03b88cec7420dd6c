#pragma once

#include <cstdint>

namespace kavri {

// One decoded frame: mono 16-bit samples at 48000 Hz. Only the first
// countOfSamples samples of data are valid; countOfSamples never exceeds
// MAX_SAMPLES.
struct AudioFrame {
    static constexpr int MAX_SAMPLES = 1920;

    int16_t data[MAX_SAMPLES] = {};
    int32_t countOfSamples = 0;
    uint32_t sequence = 0;
};

}  // namespace kavri
