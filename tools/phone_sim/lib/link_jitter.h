#pragma once

#include <chrono>
#include <cstdint>

namespace kavri {

// A Wi-Fi link's timing, for the media packets: each packet leaves a random
// 0 to J ms after its time, and every 1 to 3 s the link holds the packets of
// 4 x J ms back and lets them go together, as a phone's Wi-Fi power saving
// does. Packets keep their order. Deterministic for a given seed.
class LinkJitter {
  public:
    using Clock = std::chrono::steady_clock;

    LinkJitter(int jitterMs, uint32_t seed);

    // When a packet due at `due` leaves; never before the one before it.
    Clock::time_point sendTime(Clock::time_point due);

  private:
    int randomBelow(int bound);  // 0 .. bound-1

    int jitterMs_;
    uint64_t state_;
    Clock::time_point last_{};
    Clock::time_point nextBurst_{};
    Clock::time_point burstEnd_{};
};

}  // namespace kavri
