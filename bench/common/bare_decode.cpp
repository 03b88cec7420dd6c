#include "bench/common/bare_decode.h"

#include <opus/opus.h>

#include "bench/common/encoded_voice.h"

namespace kavri::bench {

BareDecode::BareDecode(const EncodedVoice& voice) : voice_(voice) {
    int error = OPUS_OK;
    decoder_ = opus_decoder_create(48000, 1, &error);
}

BareDecode::~BareDecode() {
    if (decoder_ != nullptr) {
        opus_decoder_destroy(decoder_);
    }
}

bool BareDecode::step() {
    if (next_ == voice_.payloads.size()) {
        next_ = 0;
    }
    const auto& payload = voice_.payloads[next_++];
    return opus_decode(decoder_, payload.data(), static_cast<int>(payload.size()), pcm_, 1920, 0) >
           0;
}

}  // namespace kavri::bench
