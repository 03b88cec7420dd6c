#pragma once

#include <cstddef>
#include <cstdint>

struct OpusDecoder;

namespace kavri::bench {

struct EncodedVoice;

// The yardstick: opus_decode of the same payloads, nothing else.
class BareDecode {
  public:
    explicit BareDecode(const EncodedVoice& voice);
    ~BareDecode();
    BareDecode(const BareDecode&) = delete;
    BareDecode& operator=(const BareDecode&) = delete;

    bool step();

  private:
    const EncodedVoice& voice_;
    OpusDecoder* decoder_ = nullptr;
    size_t next_ = 0;
    int16_t pcm_[1920] = {};
};

}  // namespace kavri::bench
