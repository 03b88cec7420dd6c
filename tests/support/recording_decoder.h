#pragma once

#include <cstdint>
#include <vector>

#include "audio/voice_decoder.h"

namespace kavri::test {

// A decoder that keeps what it was given and answers as told.
class RecordingDecoder : public VoiceDecoder {
  public:
    int open() override { return 0; }
    void close() override {}
    bool decode(const uint8_t* packet, int length, int16_t* samples, int* sampleCount) override {
        ++calls;
        lastPacket.assign(packet, packet + (length > 0 ? length : 0));
        lastCapacity = *sampleCount;
        if (!succeed) {
            return false;
        }
        for (int i = 0; i < samplesToProduce && i < *sampleCount; ++i) {
            samples[i] = static_cast<int16_t>(i);
        }
        *sampleCount = samplesToProduce;
        return true;
    }

    bool succeed = true;
    int samplesToProduce = 960;
    int calls = 0;
    int lastCapacity = 0;
    std::vector<uint8_t> lastPacket;
};

}  // namespace kavri::test
