#include "audio/opus_voice_decoder.h"

#include <opus/opus.h>

namespace kavri {

OpusVoiceDecoder::OpusVoiceDecoder(int sampleRate, int channels)
    : sampleRate_(sampleRate), channels_(channels) {}

OpusVoiceDecoder::~OpusVoiceDecoder() {
    close();
}

int OpusVoiceDecoder::open() {
    // A second open would leak the first state; release it instead.
    close();
    int error = OPUS_OK;
    state_ = opus_decoder_create(sampleRate_, channels_, &error);
    if (error < 0 || state_ == nullptr) {
        close();
        return -1;
    }
    return 0;
}

void OpusVoiceDecoder::close() {
    if (state_ != nullptr) {
        opus_decoder_destroy(state_);
        state_ = nullptr;
    }
}

bool OpusVoiceDecoder::decode(const uint8_t* packet, int length, int16_t* samples,
                              int* sampleCount) {
    // An empty packet would make libopus invent a lost frame; the phone
    // never sends one, so it is refused like any other broken packet.
    if (state_ == nullptr || packet == nullptr || length <= 0 || samples == nullptr ||
        sampleCount == nullptr) {
        return false;
    }
    // No forward error correction: the phone never sends it.
    const int decoded = opus_decode(state_, packet, length, samples, *sampleCount, 0);
    if (decoded < 0) {
        return false;
    }
    *sampleCount = decoded;
    return true;
}

}  // namespace kavri
