#include <gtest/gtest.h>

#include "tests/e2e/frame_alignment.h"

namespace kavri::test {
namespace {

std::vector<int16_t> frame(int seed) {
    std::vector<int16_t> f(FRAME_SAMPLES);
    for (int i = 0; i < FRAME_SAMPLES; ++i)
        f[i] = static_cast<int16_t>((seed * 7919 + i * 31) % 20000 - 10000);
    return f;
}

std::vector<std::vector<int16_t>> frames(int count) {
    std::vector<std::vector<int16_t>> all;
    for (int i = 0; i < count; ++i)
        all.push_back(frame(i + 1));
    return all;
}

void append(std::vector<int16_t>& to, const std::vector<int16_t>& what) {
    to.insert(to.end(), what.begin(), what.end());
}

TEST(FrameAlignment, CountsExactAlteredLostAndGaps) {
    const auto expected = frames(10);
    std::vector<int16_t> rec(123, 0);  // the recording starts with some silence
    for (int i = 0; i < 10; ++i)
        append(rec, expected[i]);
    FrameTally t = alignFrames(expected, rec);
    EXPECT_EQ(t.text(), "10 frames: 10 sample-exact, 0 altered, 0 lost, 0 gaps");
    EXPECT_EQ(t.firstPosition, 123);

    // Frame 3 missing, frame 5 with one sample changed, silence before 8.
    rec.assign(0, 0);
    for (int i = 0; i < 10; ++i) {
        if (i == 3)
            continue;
        auto f = expected[i];
        if (i == 5)
            f[400] += 1;
        if (i == 8)
            rec.insert(rec.end(), 300, 0);
        append(rec, f);
    }
    t = alignFrames(expected, rec);
    EXPECT_EQ(t.text(), "10 frames: 8 sample-exact, 1 altered, 1 lost, 1 gaps");
}

TEST(FrameAlignment, ShiftedFrameCountsAsAlteredAndLateStartIsSkipped) {
    const auto expected = frames(6);
    std::vector<int16_t> rec;
    for (int i = 2; i < 6; ++i) {  // the first two were never recorded
        auto f = expected[i];
        if (i == 3)
            f.insert(f.begin() + 100, 50, 0);  // cut by a short underrun
        append(rec, f);
    }
    const FrameTally t = alignFrames(expected, rec);
    EXPECT_EQ(t.text(), "4 frames: 3 sample-exact, 1 altered, 0 lost, 0 gaps");
}

TEST(FrameAlignment, SilentFramesAndAnUnfinishedTailAreNotCounted) {
    auto expected = frames(5);
    expected.insert(expected.begin() + 2, std::vector<int16_t>(FRAME_SAMPLES, 0));
    std::vector<int16_t> rec;
    for (int i = 0; i < 4; ++i)  // frames 4 and 5 were still queued at the end
        append(rec, expected[i]);
    const FrameTally t = alignFrames(expected, rec);
    EXPECT_EQ(t.text(), "3 frames: 3 sample-exact, 0 altered, 0 lost, 0 gaps");
}

}  // namespace
}  // namespace kavri::test
