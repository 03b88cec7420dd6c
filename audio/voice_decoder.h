#pragma once

#include <cstdint>

namespace kavri {

class VoiceDecoder {
  public:
    virtual ~VoiceDecoder() = default;
    virtual int open() = 0;
    virtual void close() = 0;
    // sampleCount holds the buffer's capacity (samples per channel) on entry
    // and the number decoded on success; it is left alone on failure.
    virtual bool decode(const uint8_t* packet, int length, int16_t* samples, int* sampleCount) = 0;
};

}  // namespace kavri
