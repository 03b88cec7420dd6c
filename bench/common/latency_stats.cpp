#include "bench/common/latency_stats.h"

#include <cstdlib>

namespace kavri::bench {

int latencySeconds(int fallback) {
    const char* text = std::getenv("KAVRI_LATENCY_SECONDS");
    const int value = text != nullptr ? std::atoi(text) : 0;
    return value > 0 ? value : fallback;
}

}  // namespace kavri::bench
