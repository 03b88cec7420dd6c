#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kavri::test {

constexpr int FRAME_SAMPLES = 960;

// How a recording holds a sequence of expected 20 ms frames, in order.
struct FrameTally {
    int expected = 0;        // frames looked for (exact-silence frames are not)
    int exact = 0;           // found sample for sample, in order
    int altered = 0;         // their place holds something else
    int lost = 0;            // no place left for them
    int gaps = 0;            // silence inserted between two consecutive frames
    int firstPosition = -1;  // sample index of the first exact frame

    std::string text() const;
};

// Walks the expected frames in order through the recording. A frame found
// exactly further on closes the stretch since the last one found: the
// unfound frames of that stretch are altered as far as the stretch holds
// sound to put them in, and lost beyond that; silence in a stretch without
// unfound frames is a gap. Frames before the first exact one are skipped
// (the recording may start late), as are frames after the last one found
// when the recording simply ended.
FrameTally alignFrames(const std::vector<std::vector<int16_t>>& expected,
                       const std::vector<int16_t>& recording);

// Splits samples into whole frames.
std::vector<std::vector<int16_t>> splitFrames(const std::vector<int16_t>& samples,
                                              size_t offset = 0);

}  // namespace kavri::test
