#include <gtest/gtest.h>

#include <vector>

#include "tools/phone_sim/lib/link_jitter.h"

namespace kavri {
namespace {

using Clock = LinkJitter::Clock;
using std::chrono::milliseconds;

std::vector<Clock::time_point> sendTimes(int jitterMs, uint32_t seed, Clock::time_point start,
                                         int packets) {
    LinkJitter link(jitterMs, seed);
    std::vector<Clock::time_point> times;
    for (int i = 0; i < packets; ++i)
        times.push_back(link.sendTime(start + milliseconds(20 * i)));
    return times;
}

TEST(LinkJitter, WithoutJitterEveryPacketLeavesOnTime) {
    const Clock::time_point start{milliseconds(5000)};
    const auto times = sendTimes(0, 1, start, 500);
    for (int i = 0; i < 500; ++i)
        EXPECT_EQ(times[i], start + milliseconds(20 * i));
}

TEST(LinkJitter, DelaysStayWithinJitterOrBurstsAndKeepTheOrder) {
    const int jitter = 40;
    const Clock::time_point start{milliseconds(5000)};
    const int packets = 50 * 60;  // a minute
    const auto times = sendTimes(jitter, 7, start, packets);
    int late = 0;    // beyond the jitter: held in a burst
    int bursts = 0;  // runs of held packets
    bool inBurst = false;
    milliseconds longest{0};
    for (int i = 0; i < packets; ++i) {
        const auto due = start + milliseconds(20 * i);
        const auto delay = std::chrono::duration_cast<milliseconds>(times[i] - due);
        ASSERT_GE(delay.count(), 0);
        if (i > 0) {
            ASSERT_GE(times[i], times[i - 1]);  // in order
        }
        const bool held = delay > milliseconds(jitter);
        late += held ? 1 : 0;
        bursts += held && !inBurst ? 1 : 0;
        inBurst = held;
        longest = std::max(longest, delay);
    }
    // A burst every 1 to 3 s: 20 to 60 in a minute, each holding 4 x 40 ms.
    EXPECT_GE(bursts, 15);
    EXPECT_LE(bursts, 65);
    EXPECT_LE(longest, milliseconds(4 * jitter + jitter));
    EXPECT_GE(longest, milliseconds(4 * jitter - 20));
    EXPECT_GT(late, bursts);  // a burst holds several packets
    // The same seed gives the same link.
    EXPECT_EQ(times, sendTimes(jitter, 7, start, packets));
    EXPECT_NE(times, sendTimes(jitter, 8, start, packets));
}

}  // namespace
}  // namespace kavri
