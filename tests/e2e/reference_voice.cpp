#include "tests/e2e/reference_voice.h"

#include <opus/opus.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "tests/e2e/child_run.h"
#include "tests/e2e/frame_alignment.h"
#include "tools/phone_sim/lib/sim_voice_encoder.h"
#include "tools/phone_sim/lib/voice_signal.h"

namespace kavri::test {

namespace {

void put32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(v >> (8 * i));
}

std::vector<int16_t> samplesFrom(const std::string& bytes, size_t offset) {
    std::vector<int16_t> samples;
    if (bytes.size() > offset) {
        samples.resize((bytes.size() - offset) / 2);
        std::memcpy(samples.data(), bytes.data() + offset, samples.size() * 2);
    }
    return samples;
}

}  // namespace

bool ReferenceVoice::writeWav(const std::string& path, int seconds) {
    const uint32_t count = static_cast<uint32_t>(seconds) * 48000;
    std::vector<int16_t> samples(count);
    VoiceSignal voice;
    voice.fill(samples.data(), static_cast<int>(count));
    uint8_t header[44] = {'R', 'I', 'F', 'F', 0,  0, 0,   0,   'W', 'A', 'V', 'E', 'f', 'm', 't',
                          ' ', 16,  0,   0,   0,  1, 0,   1,   0,   0,   0,   0,   0,   0,   0,
                          0,   0,   2,   0,   16, 0, 'd', 'a', 't', 'a', 0,   0,   0,   0};
    put32(header + 4, 36 + count * 2);
    put32(header + 24, 48000);
    put32(header + 28, 96000);
    put32(header + 40, count * 2);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    const bool ok = std::fwrite(header, 1, sizeof header, f) == sizeof header &&
                    std::fwrite(samples.data(), 2, count, f) == count;
    return std::fclose(f) == 0 && ok;
}

bool ReferenceVoice::decode(const std::string& wavPath, int bitrate, int count,
                            std::string* error) {
    SimVoiceEncoder encoder;
    if (!encoder.open(bitrate, wavPath, error))
        return false;
    int status = OPUS_OK;
    std::unique_ptr<OpusDecoder, void (*)(OpusDecoder*)> decoder(
        opus_decoder_create(48000, 1, &status), opus_decoder_destroy);
    if (status != OPUS_OK || !decoder) {
        *error = "opus_decoder_create failed";
        return false;
    }
    frames_.clear();
    uint8_t packet[1500];
    for (int i = 0; i < count; ++i) {
        const int length = encoder.encodeNext(packet, sizeof packet);
        if (length < 0) {
            *error = "the voice file ended after " + std::to_string(i) + " frames";
            return false;
        }
        std::vector<int16_t> pcm(FRAME_SAMPLES);
        const int n = opus_decode(decoder.get(), packet, length, pcm.data(), FRAME_SAMPLES, 0);
        if (n != FRAME_SAMPLES) {
            *error = "opus_decode gave " + std::to_string(n);
            return false;
        }
        frames_.push_back(std::move(pcm));
    }
    return true;
}

std::vector<int16_t> readWavSamples(const std::string& path) {
    return samplesFrom(readFile(path), 44);
}

std::vector<int16_t> readRawSamples(const std::string& path) {
    return samplesFrom(readFile(path), 0);
}

}  // namespace kavri::test
