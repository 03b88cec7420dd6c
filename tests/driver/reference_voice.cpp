#include "tests/driver/reference_voice.h"

#include <opus/opus.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "tools/phone_sim/lib/sim_voice_encoder.h"

namespace kavri::test {

namespace {

struct DecoderDeleter {
    void operator()(OpusDecoder* decoder) const { opus_decoder_destroy(decoder); }
};

bool isSilent(const ReferenceVoice::Frame& frame) {
    return std::all_of(frame.begin(), frame.end(), [](int16_t s) { return s == 0; });
}

}  // namespace

ReferenceVoice::ReferenceVoice(int packets, int bitrate) {
    SimVoiceEncoder encoder;
    if (!encoder.open(bitrate, "", &error_)) {
        return;
    }
    int status = OPUS_OK;
    std::unique_ptr<OpusDecoder, DecoderDeleter> decoder(opus_decoder_create(48000, 1, &status));
    if (status != OPUS_OK || !decoder) {
        error_ = "opus_decoder_create failed";
        return;
    }
    for (int i = 0; i < packets; ++i) {
        uint8_t packet[1500];
        const int length = encoder.encodeNext(packet, sizeof packet);
        Frame frame(1920);
        const int samples = length < 0 ? -1
                                       : opus_decode(decoder.get(), packet, length, frame.data(),
                                                     static_cast<int>(frame.size()), 0);
        if (samples <= 0) {
            error_ = "packet " + std::to_string(i) + " did not encode or decode";
            return;
        }
        frame.resize(static_cast<size_t>(samples));
        frames_.push_back(std::move(frame));
    }
}

int ReferenceVoice::pauseBehind(int next) const {
    int length = 1;
    while (next - length - 1 >= 0 && frames_[static_cast<size_t>(next - length - 1)] ==
                                         frames_[static_cast<size_t>(next - 1)])
        ++length;
    return length;
}

ReferenceVoice::Match ReferenceVoice::match(const std::vector<Frame>& written,
                                            size_t leadInSamples) const {
    Match m;
    int next = 0;
    int goodTicks = 0;  // new frames written in a row, as the client counts them
    for (const Frame& frame : written) {
        if (next < size() && frame == frames_[static_cast<size_t>(next)]) {
            ++m.exact;
            ++goodTicks;
            m.lastIndex = next++;
            if (m.firstIndex < 0)
                m.firstIndex = m.lastIndex;
            continue;
        }
        if (next > 0 && frame == frames_[static_cast<size_t>(next - 1)]) {
            ++m.repeated;
            // In a pause the repeat may have come at any of its frames, and
            // the client's run with it: count the most the run can be.
            goodTicks = pauseBehind(next) - 1;
            continue;
        }
        if (m.firstIndex < 0 && frame.size() == leadInSamples && isSilent(frame)) {
            ++m.leadIn;
            goodTicks = 0;
            continue;
        }
        const int end = std::min(size(), next + SEARCH_AHEAD);
        int found = -1;
        for (int k = next + 1; k < end && found < 0; ++k) {
            if (frame == frames_[static_cast<size_t>(k)])
                found = k;
        }
        if (found < 0) {
            // Taken as the next frame spoilt, so that it is not also lost.
            ++m.mismatched;
            ++next;
            goodTicks = 0;
            continue;
        }
        // The tick that takes the hundredth new frame in a row may trim the
        // backlog, so its gap follows a run at least that long.
        // A frame dropped on a full queue leaves the run as it was.
        if (goodTicks >= TRIM_AFTER_GOOD_TICKS) {
            m.trimmed += found - next;
            goodTicks = 1;
        } else {
            m.lost += found - next;
            m.gaps += " " + std::to_string(next) + "+" + std::to_string(found - next) + "/" +
                      std::to_string(goodTicks);
            ++goodTicks;
        }
        ++m.exact;
        m.lastIndex = found;
        next = found + 1;
        if (m.firstIndex < 0)
            m.firstIndex = found;
    }
    return m;
}

std::string ReferenceVoice::Match::summary() const {
    char text[200];
    std::snprintf(text, sizeof text,
                  "%d frames sample-exact (packets %d..%d), %d lost, %d trimmed, %d repeated, "
                  "%d mismatched, %d silent lead-in",
                  exact, firstIndex, lastIndex, lost, trimmed, repeated, mismatched, leadIn);
    return gaps.empty() ? std::string(text) : text + std::string("; lost at") + gaps;
}

}  // namespace kavri::test
