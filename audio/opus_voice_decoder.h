#pragma once

#include "audio/voice_decoder.h"

struct OpusDecoder;

namespace kavri {

// The phone's Opus packets to 16-bit PCM, through libopus. One thread uses a
// decoder from open() to close().
class OpusVoiceDecoder : public VoiceDecoder {
  public:
    OpusVoiceDecoder(int sampleRate, int channels);
    ~OpusVoiceDecoder() override;
    OpusVoiceDecoder(const OpusVoiceDecoder&) = delete;
    OpusVoiceDecoder& operator=(const OpusVoiceDecoder&) = delete;

    int open() override;
    void close() override;
    bool decode(const uint8_t* packet, int length, int16_t* samples, int* sampleCount) override;

    bool isOpen() const { return state_ != nullptr; }

  private:
    OpusDecoder* state_ = nullptr;
    int sampleRate_;
    int channels_;
};

}  // namespace kavri
