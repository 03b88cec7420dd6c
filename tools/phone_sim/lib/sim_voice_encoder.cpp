#include "tools/phone_sim/lib/sim_voice_encoder.h"

#include <opus/opus.h>

namespace kavri {

SimVoiceEncoder::~SimVoiceEncoder() {
    if (encoder_ != nullptr) {
        opus_encoder_destroy(encoder_);
    }
}

bool SimVoiceEncoder::open(int bitrate, const std::string& wavFile, std::string* error) {
    std::string ignored;
    if (error == nullptr) {
        error = &ignored;
    }
    useWav_ = !wavFile.empty();
    if (useWav_ && !wav_.open(wavFile, error)) {
        return false;
    }
    if (encoder_ == nullptr) {
        int status = OPUS_OK;
        encoder_ = opus_encoder_create(SAMPLE_RATE, 1, OPUS_APPLICATION_VOIP, &status);
        if (status != OPUS_OK || encoder_ == nullptr) {
            *error = std::string("cannot create the Opus encoder: ") + opus_strerror(status);
            encoder_ = nullptr;
            return false;
        }
    }
    if (opus_encoder_ctl(encoder_, OPUS_SET_BITRATE(bitrate)) != OPUS_OK) {
        *error = "bitrate " + std::to_string(bitrate) + " refused by the Opus encoder";
        return false;
    }
    return true;
}

int SimVoiceEncoder::encodeNext(uint8_t* out, int capacity) {
    if (encoder_ == nullptr) {
        return -1;
    }
    if (useWav_) {
        if (!wav_.read(pcm_, FRAME_SAMPLES)) {
            return -1;
        }
    } else {
        signal_.fill(pcm_, FRAME_SAMPLES);
    }
    const int n = opus_encode(encoder_, pcm_, FRAME_SAMPLES, out, capacity);
    return n < 0 ? -1 : n;
}

}  // namespace kavri
