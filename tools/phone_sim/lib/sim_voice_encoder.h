#pragma once

#include <cstdint>
#include <string>

#include "tools/phone_sim/lib/voice_signal.h"
#include "tools/phone_sim/lib/wav_reader.h"

struct OpusEncoder;

namespace kavri {

// The phone's voice: 20 ms frames of the generated signal or a WAV file,
// encoded with libopus at 48 kHz mono.
class SimVoiceEncoder {
  public:
    static constexpr int SAMPLE_RATE = 48000;
    static constexpr int FRAME_SAMPLES = 960;

    SimVoiceEncoder() = default;
    ~SimVoiceEncoder();
    SimVoiceEncoder(const SimVoiceEncoder&) = delete;
    SimVoiceEncoder& operator=(const SimVoiceEncoder&) = delete;

    // wavFile empty: the generated voice.
    bool open(int bitrate, const std::string& wavFile, std::string* error);
    // One encoded frame into out; its length, or -1.
    int encodeNext(uint8_t* out, int capacity);
    // The samples of the frame encoded last.
    const int16_t* lastFrame() const { return pcm_; }

  private:
    OpusEncoder* encoder_ = nullptr;
    VoiceSignal signal_;
    WavReader wav_;
    bool useWav_ = false;
    int16_t pcm_[FRAME_SAMPLES] = {};
};

}  // namespace kavri
