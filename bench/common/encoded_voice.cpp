#include "bench/common/encoded_voice.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/phone_sim/lib/sim_packet.h"
#include "tools/phone_sim/lib/sim_voice_encoder.h"

namespace kavri::bench {

EncodedVoice encodeVoice(int count) {
    EncodedVoice voice;
    SimVoiceEncoder encoder;
    std::string error;
    if (!encoder.open(32000, "", &error)) {
        std::fprintf(stderr, "encoder: %s\n", error.c_str());
        std::exit(1);
    }
    for (int i = 0; i < count; ++i) {
        uint8_t payload[1024];
        const int length = encoder.encodeNext(payload, sizeof payload);
        if (length < 0) {
            std::fprintf(stderr, "encoder: packet %d failed\n", i);
            std::exit(1);
        }
        voice.payloads.emplace_back(payload, payload + length);

        SimPacket packet;
        packet.checkByteFormat = true;
        packet.headerWord = static_cast<uint32_t>(i);
        packet.payload = payload;
        packet.payloadLength = length;
        uint8_t bytes[MEDIA_HEADER_SIZE + sizeof payload];
        const int size = buildMediaPacket(packet, bytes, sizeof bytes);
        voice.stream.insert(voice.stream.end(), bytes, bytes + size);
    }
    return voice;
}

}  // namespace kavri::bench
