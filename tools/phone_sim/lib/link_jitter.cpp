#include "tools/phone_sim/lib/link_jitter.h"

#include <algorithm>

namespace kavri {

namespace {

constexpr int BURST_EVERY_MIN_MS = 1000;
constexpr int BURST_EVERY_SPREAD_MS = 2000;
constexpr int BURST_HOLD_FACTOR = 4;

}  // namespace

LinkJitter::LinkJitter(int jitterMs, uint32_t seed)
    : jitterMs_(std::max(0, jitterMs)), state_(seed * 2654435761ULL + 1) {}

int LinkJitter::randomBelow(int bound) {
    // xorshift64*: enough for timing noise, and the same on every platform.
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    const uint64_t r = state_ * 2685821657736338717ULL;
    return bound > 0 ? static_cast<int>((r >> 33) % static_cast<uint64_t>(bound)) : 0;
}

LinkJitter::Clock::time_point LinkJitter::sendTime(Clock::time_point due) {
    if (jitterMs_ == 0) {
        return due;
    }
    using std::chrono::milliseconds;
    const auto gap = [this] {
        return milliseconds(BURST_EVERY_MIN_MS + randomBelow(BURST_EVERY_SPREAD_MS + 1));
    };
    if (nextBurst_ == Clock::time_point{}) {
        nextBurst_ = due + gap();
    }
    if (due >= nextBurst_) {
        burstEnd_ = nextBurst_ + milliseconds(BURST_HOLD_FACTOR * jitterMs_);
        nextBurst_ = burstEnd_ + gap();
    }
    Clock::time_point at = due + milliseconds(randomBelow(jitterMs_ + 1));
    if (due < burstEnd_) {
        at = std::max(at, burstEnd_);  // held back by the sleeping radio
    }
    at = std::max(at, last_);
    last_ = at;
    return at;
}

}  // namespace kavri
