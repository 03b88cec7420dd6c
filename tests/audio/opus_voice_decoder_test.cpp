#include <gtest/gtest.h>

#include <opus/opus.h>

#include <cstring>
#include <vector>

#include "audio/opus_voice_decoder.h"
#include "tools/phone_sim/lib/sim_voice_encoder.h"

namespace kavri {
namespace {

// A 20 ms Opus packet of exactly 128 bytes (constant bitrate 51.2 kbit/s).
std::vector<uint8_t> packet128() {
    int error = 0;
    OpusEncoder* enc = opus_encoder_create(48000, 1, OPUS_APPLICATION_VOIP, &error);
    EXPECT_EQ(error, OPUS_OK);
    opus_encoder_ctl(enc, OPUS_SET_VBR(0));
    opus_encoder_ctl(enc, OPUS_SET_BITRATE(128 * 8 * 50));
    int16_t pcm[960];
    for (int i = 0; i < 960; ++i)
        pcm[i] = static_cast<int16_t>((i % 48) * 400 - 9600);
    std::vector<uint8_t> packet(128);
    const int n = opus_encode(enc, pcm, 960, packet.data(), static_cast<int>(packet.size()));
    opus_encoder_destroy(enc);
    packet.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return packet;
}

class OpusVoiceDecoderTest : public testing::Test {
  protected:
    OpusVoiceDecoder decoder{48000, 1};
    int16_t samples[1920] = {};
    std::vector<uint8_t> packet = packet128();
};

TEST_F(OpusVoiceDecoderTest, DecodesA20msPacketTo960SamplesAgainAndAgain) {
    ASSERT_EQ(packet.size(), 128u);
    ASSERT_EQ(decoder.open(), 0);
    for (int i = 0; i < 100; ++i) {
        int count = 1920;
        ASSERT_TRUE(decoder.decode(packet.data(), 128, samples, &count)) << i;
        ASSERT_EQ(count, 960) << i;
    }
    int exact = 960;
    EXPECT_TRUE(decoder.decode(packet.data(), 128, samples, &exact));
    EXPECT_EQ(exact, 960);
}

TEST_F(OpusVoiceDecoderTest, ClosedOrNeverOpenedDecoderRefusesAndLeavesTheCount) {
    int count = 1920;
    EXPECT_FALSE(decoder.decode(packet.data(), 128, samples, &count));
    EXPECT_EQ(count, 1920);
    ASSERT_EQ(decoder.open(), 0);
    decoder.close();
    EXPECT_FALSE(decoder.decode(packet.data(), 128, samples, &count));
    EXPECT_EQ(count, 1920);
    decoder.close();
    EXPECT_FALSE(decoder.isOpen());
}

TEST_F(OpusVoiceDecoderTest, TooSmallABufferOrABrokenPacketFailsWithoutClosing) {
    ASSERT_EQ(decoder.open(), 0);
    int count = 480;
    EXPECT_FALSE(decoder.decode(packet.data(), 128, samples, &count));
    EXPECT_EQ(count, 480);
    // An arbitrary-count packet claiming 63 frames: more than Opus allows.
    const uint8_t broken[] = {0xFF, 0xFF, 0xFF, 0xFF};
    count = 1920;
    EXPECT_FALSE(decoder.decode(broken, sizeof broken, samples, &count));
    EXPECT_EQ(count, 1920);
    // An empty payload would only make libopus conceal a loss.
    EXPECT_FALSE(decoder.decode(packet.data(), 0, samples, &count));
    EXPECT_EQ(count, 1920);
    EXPECT_TRUE(decoder.decode(packet.data(), 128, samples, &count));
    EXPECT_EQ(count, 960);
}

TEST_F(OpusVoiceDecoderTest, BadParametersFailToOpen) {
    OpusVoiceDecoder badRate(44100, 1);
    EXPECT_EQ(badRate.open(), -1);
    EXPECT_FALSE(badRate.isOpen());
    OpusVoiceDecoder badChannels(48000, 3);
    EXPECT_EQ(badChannels.open(), -1);
    int count = 1920;
    EXPECT_FALSE(badChannels.decode(packet.data(), 128, samples, &count));
}

TEST_F(OpusVoiceDecoderTest, DestroyingAnOpenDecoderReleasesItsState) {
    // The leak checker of the sanitizer build watches this one.
    auto open = std::make_unique<OpusVoiceDecoder>(48000, 1);
    ASSERT_EQ(open->open(), 0);
    ASSERT_EQ(open->open(), 0);  // a second open replaces the state
    open.reset();
}

TEST_F(OpusVoiceDecoderTest, DecodedVoiceFollowsTheEncodedSignal) {
    SimVoiceEncoder encoder;
    std::string error;
    ASSERT_TRUE(encoder.open(64000, "", &error)) << error;
    ASSERT_EQ(decoder.open(), 0);
    double signal = 0, noise = 0;
    // Opus has a lookahead of 6.5 ms (312 samples at 48 kHz); compare frames
    // after it has settled, shifted by that delay.
    std::vector<int16_t> sent, received;
    for (int f = 0; f < 50; ++f) {
        uint8_t bytes[1000];
        const int n = encoder.encodeNext(bytes, sizeof bytes);
        ASSERT_GT(n, 0);
        sent.insert(sent.end(), encoder.lastFrame(), encoder.lastFrame() + 960);
        int count = 1920;
        ASSERT_TRUE(decoder.decode(bytes, n, samples, &count));
        received.insert(received.end(), samples, samples + count);
    }
    constexpr size_t kDelay = 312;
    for (size_t i = 960 * 10; i + kDelay < received.size(); ++i) {
        const double s = sent[i], d = received[i + kDelay] - sent[i];
        signal += s * s;
        noise += d * d;
    }
    ASSERT_GT(signal, 0.0);
    EXPECT_LT(noise, signal * 0.5) << "decoded voice does not resemble what was sent";
}

}  // namespace
}  // namespace kavri
