#include "tests/e2e/frame_alignment.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace kavri::test {

namespace {

constexpr uint64_t BASE = 1000003;
// How far past its expected place a frame is looked for. Pauses in a voice
// decode to identical frames, so an unbounded search would pair a frame with
// a copy seconds away and call everything between lost.
constexpr int MAX_SHIFT = 48000;

// Positions of every frame-long window of the recording, by a rolling hash.
class WindowIndex {
  public:
    explicit WindowIndex(const std::vector<int16_t>& samples) : samples_(samples) {
        if (samples.size() < FRAME_SAMPLES) {
            return;
        }
        uint64_t top = 1;
        for (int i = 1; i < FRAME_SAMPLES; ++i)
            top *= BASE;
        uint64_t h = hashOf(samples.data());
        const size_t last = samples.size() - FRAME_SAMPLES;
        entries_.reserve(last + 1);
        for (size_t p = 0;; ++p) {
            entries_.emplace_back(h, static_cast<int>(p));
            if (p == last)
                break;
            h = (h - value(samples[p]) * top) * BASE + value(samples[p + FRAME_SAMPLES]);
        }
        std::sort(entries_.begin(), entries_.end());
    }

    // The first exact copy of the frame in [from, to]; -1 when none.
    int find(const std::vector<int16_t>& frame, int from, int to) const {
        const uint64_t h = hashOf(frame.data());
        auto it = std::lower_bound(entries_.begin(), entries_.end(), std::make_pair(h, from));
        for (; it != entries_.end() && it->first == h && it->second <= to; ++it) {
            if (std::memcmp(samples_.data() + it->second, frame.data(),
                            FRAME_SAMPLES * sizeof(int16_t)) == 0) {
                return it->second;
            }
        }
        return -1;
    }

    static uint64_t value(int16_t s) { return static_cast<uint16_t>(s); }
    static uint64_t hashOf(const int16_t* p) {
        uint64_t h = 0;
        for (int i = 0; i < FRAME_SAMPLES; ++i)
            h = h * BASE + value(p[i]);
        return h;
    }

  private:
    const std::vector<int16_t>& samples_;
    std::vector<std::pair<uint64_t, int>> entries_;
};

bool allZero(const int16_t* p, size_t n) {
    return std::all_of(p, p + n, [](int16_t s) { return s == 0; });
}

// Frame-long blocks of the stretch that hold any sound.
int soundBlocks(const std::vector<int16_t>& r, int from, int to) {
    int blocks = 0;
    for (int at = from; at < to; at += FRAME_SAMPLES) {
        const int end = std::min(to, at + FRAME_SAMPLES);
        if (!allZero(r.data() + at, static_cast<size_t>(end - at)))
            ++blocks;
    }
    return blocks;
}

}  // namespace

std::string FrameTally::text() const {
    return std::to_string(expected) + " frames: " + std::to_string(exact) + " sample-exact, " +
           std::to_string(altered) + " altered, " + std::to_string(lost) + " lost, " +
           std::to_string(gaps) + " gaps";
}

FrameTally alignFrames(const std::vector<std::vector<int16_t>>& expected,
                       const std::vector<int16_t>& recording) {
    const WindowIndex index(recording);
    FrameTally t;
    int cursor = 0;
    int pending = 0;
    int silent = 0;  // silent frames expected since the last one found
    for (const auto& frame : expected) {
        if (frame.size() != FRAME_SAMPLES || allZero(frame.data(), frame.size())) {
            ++silent;  // silence cannot be told from an idle output
            continue;
        }
        const int at =
            t.firstPosition < 0
                ? index.find(frame, 0, static_cast<int>(recording.size()))
                : index.find(frame, cursor,
                             cursor + (pending + silent + 1) * FRAME_SAMPLES + MAX_SHIFT);
        if (t.firstPosition < 0) {
            if (at >= 0) {
                t.firstPosition = at;
                ++t.expected;
                ++t.exact;
                cursor = at + FRAME_SAMPLES;
            }
            silent = 0;
            continue;
        }
        ++t.expected;
        if (at < 0) {
            ++pending;
            continue;
        }
        const int sound = soundBlocks(recording, cursor, at);
        if (pending > 0) {
            const int altered = std::min(pending, sound);
            t.altered += altered;
            t.lost += pending - altered;
        } else if (at > cursor + silent * FRAME_SAMPLES) {
            ++t.gaps;
        }
        pending = 0;
        silent = 0;
        ++t.exact;
        cursor = at + FRAME_SAMPLES;
    }
    // What follows the last frame found was still queued when the output
    // closed, or came after the recording ended: not counted either way.
    t.expected -= pending;
    return t;
}

std::vector<std::vector<int16_t>> splitFrames(const std::vector<int16_t>& samples, size_t offset) {
    std::vector<std::vector<int16_t>> frames;
    for (size_t at = offset; at + FRAME_SAMPLES <= samples.size(); at += FRAME_SAMPLES) {
        frames.emplace_back(samples.begin() + static_cast<long>(at),
                            samples.begin() + static_cast<long>(at + FRAME_SAMPLES));
    }
    return frames;
}

}  // namespace kavri::test
