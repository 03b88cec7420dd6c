#pragma once

#include <cstdint>
#include <vector>

#include "audio/opus_voice_decoder.h"
#include "fuzz/fuzz_require.h"
#include "transport/phone_link.h"
#include "transport/stream_exceptions.h"

namespace kavri {

constexpr int FUZZ_FRAME_CAPACITY = 1920;  // what the receive loop offers the decoder
constexpr int FUZZ_MAX_PACKETS = 64;

// Reads packets the way the receive loop does, through the real Opus decoder,
// while more() says input is left, and checks what the reader promises for
// every outcome. allowedExceptions has bit n set for each stream exception
// code n the transport may throw.
template <typename More>
void readMediaPackets(PhoneLink& link, bool checked, unsigned allowedExceptions, More more) {
    OpusVoiceDecoder decoder(48000, 1);
    fuzzRequire(decoder.open() == 0, "the decoder opens");
    // Exactly a frame's size, so a decode past the frame is caught.
    std::vector<int16_t> samples(FUZZ_FRAME_CAPACITY);
    for (int i = 0; i < FUZZ_MAX_PACKETS && more(); ++i) {
        int32_t count = FUZZ_FRAME_CAPACITY;
        uint32_t word = 0;
        try {
            const int result =
                checked ? link.readCheckedMediaPacket(&decoder, samples.data(), &count, &word)
                        : link.readMediaPacket(&decoder, samples.data(), &count, &word);
            if (result == 0) {
                fuzzRequire(count >= 0 && count <= FUZZ_FRAME_CAPACITY,
                            "a decoded packet fits the frame");
            } else {
                fuzzRequire(result == PhoneLink::UNDECODABLE ||
                                (checked && result == PhoneLink::CHECK_MISMATCH),
                            "a refused packet gives 22, or 23 with check bytes");
                fuzzRequire(count == FUZZ_FRAME_CAPACITY,
                            "a refused packet leaves the sample count alone");
            }
        } catch (int code) {
            fuzzRequire(code >= 0 && code < 32 && ((allowedExceptions >> code) & 1u) != 0,
                        "only this transport's stream exceptions are thrown");
        }
        if (checked) {
            fuzzRequire(word <= 0xFFFF, "a check-byte header word has 16 bits");
        }
    }
}

}  // namespace kavri
