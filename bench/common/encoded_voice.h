#pragma once

#include <cstdint>
#include <vector>

namespace kavri::bench {

// A stretch of the phone's voice, encoded once before any measuring: the Opus
// payloads, and the same packets with their check-byte headers back to back
// as the media stream delivers them.
struct EncodedVoice {
    std::vector<std::vector<uint8_t>> payloads;
    std::vector<uint8_t> stream;
};

// count 20 ms packets of the simulator's generated voice at 32 kbit/s.
EncodedVoice encodeVoice(int count);

}  // namespace kavri::bench
