#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kavri::test {

// The simulated phone's voice as a listener should hear it: the packets the
// simulator sends (its own encoder on its own signal, from the start),
// decoded by libopus directly, not by the client's decoder.
class ReferenceVoice {
  public:
    using Frame = std::vector<int16_t>;

    // How a run of written frames compares with the reference, in order.
    struct Match {
        int leadIn = 0;       // silent frames of the connection's start, before any voice
        int exact = 0;        // frames equal, sample for sample, to the next reference frame
        int repeated = 0;     // the previous frame again (a tick that found no new frame)
        int trimmed = 0;      // frames skipped where the client may trim its backlog
        int lost = 0;         // reference frames skipped anywhere else
        int mismatched = 0;   // frames equal to no reference frame nearby
        int firstIndex = -1;  // reference index of the first voice frame delivered
        int lastIndex = -1;   // and of the last
        std::string gaps;     // where frames were lost: "packet+count/run" each

        std::string summary() const;
    };

    ReferenceVoice(int packets, int bitrate);
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    int size() const { return static_cast<int>(frames_.size()); }
    const Frame& frame(int index) const { return frames_.at(static_cast<size_t>(index)); }

    // leadInSamples: the size of the silent frame written before the first
    // voice frame arrives. The voice's pauses decode to runs of identical
    // frames: inside one a repeat passes for the next frame, and frames lost
    // there show as a gap where the pause ends.
    Match match(const std::vector<Frame>& written, size_t leadInSamples) const;

  private:
    // How many reference frames alike end just before index next (1 when
    // the frame before it stands alone).
    int pauseBehind(int next) const;

    // How far ahead a written frame is looked for after a gap.
    static constexpr int SEARCH_AHEAD = 100;
    // The client trims a backlog only on a tick that follows this many ticks
    // in a row that found a frame waiting.
    static constexpr int TRIM_AFTER_GOOD_TICKS = 100;

    std::vector<Frame> frames_;
    std::string error_;
};

}  // namespace kavri::test
