#pragma once

#include <algorithm>
#include <vector>

namespace kavri::bench {

// The p-th percentile (0..100) of the values, by nearest rank; 0 when empty.
inline double percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const size_t rank =
        static_cast<size_t>(p / 100.0 * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(rank, values.size() - 1)];
}

// Seconds a latency benchmark runs: KAVRI_LATENCY_SECONDS, else the default.
int latencySeconds(int fallback);

}  // namespace kavri::bench
