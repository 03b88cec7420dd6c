// The phone simulator's building blocks: request framing, packet layout,
// command line, WAV input and the generated voice.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/phone_sim/lib/sim_options.h"
#include "tools/phone_sim/lib/sim_packet.h"
#include "tools/phone_sim/lib/sim_request_reader.h"
#include "tools/phone_sim/lib/voice_signal.h"
#include "tools/phone_sim/lib/wav_reader.h"

namespace kavri {
namespace {

using Bytes = std::vector<uint8_t>;

std::vector<Bytes> feedAll(SimRequestReader& reader, const Bytes& bytes, size_t piece) {
    std::vector<Bytes> messages;
    for (size_t at = 0; at < bytes.size() && !reader.broken();) {
        const int n = static_cast<int>(std::min(piece, bytes.size() - at));
        int used = 0;
        while (used < n && !reader.broken()) {
            used += reader.feed(bytes.data() + at + used, n - used);
            if (reader.hasMessage()) {
                messages.emplace_back(reader.message(), reader.message() + reader.messageLength());
            }
        }
        at += static_cast<size_t>(n);
    }
    return messages;
}

TEST(SimRequestReader, CutsMessagesHoweverTheBytesArrive) {
    const Bytes wire = {0x65, 0, 0,    0, 6, 3, 3, 5, 0, 0, 0, 0x69, 0, 0,
                        0,    0, 0x66, 0, 0, 0, 6, 2, 2, 0, 0, 0xC0, 0};
    for (size_t piece : {1u, 2u, 5u, 7u, 100u}) {
        SimRequestReader reader;
        const auto messages = feedAll(reader, wire, piece);
        ASSERT_EQ(messages.size(), 3u) << "pieces of " << piece;
        EXPECT_EQ(messages[0], Bytes(wire.begin(), wire.begin() + 11));
        EXPECT_EQ(messages[1], (Bytes{0x69, 0, 0, 0, 0}));
        EXPECT_EQ(messages[2], Bytes(wire.begin() + 16, wire.end()));
    }
}

TEST(SimRequestReader, AnImpossibleLengthBreaksTheReader) {
    SimRequestReader reader;
    const Bytes wire = {0x65, 0, 0, 0x04, 0x01};  // 1025 bytes announced
    EXPECT_TRUE(feedAll(reader, wire, 1).empty());
    EXPECT_TRUE(reader.broken());
    SimRequestReader huge;
    feedAll(huge, {0x65, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2}, 7);
    EXPECT_TRUE(huge.broken());
}

TEST(SimPacket, BothHeaderFormatsByteForByte) {
    const uint8_t payload[] = {0x10, 0x20, 0x40};
    SimPacket p;
    p.headerWord = 0x01020304;
    p.payload = payload;
    p.payloadLength = 3;
    uint8_t out[16];
    ASSERT_EQ(buildMediaPacket(p, out, sizeof out), 9);
    EXPECT_EQ(Bytes(out, out + 9), (Bytes{1, 2, 3, 4, 0, 3, 0x10, 0x20, 0x40}));
    p.checkByteFormat = true;
    ASSERT_EQ(buildMediaPacket(p, out, sizeof out), 9);
    EXPECT_EQ(Bytes(out, out + 6), (Bytes{0x70, 0, 3, 4, 0, 3}));
    p.badCheck = true;
    p.announcedLength = 1100;
    ASSERT_EQ(buildMediaPacket(p, out, sizeof out), 9);
    EXPECT_EQ(Bytes(out, out + 6), (Bytes{0x8F, 0, 3, 4, 0x04, 0x4C}));
    EXPECT_EQ(buildMediaPacket(p, out, 8), -1);
    EXPECT_EQ(xorOf(payload, 3), 0x70);
}

TEST(SimOptions, ReadsEveryModeAndFault) {
    const char* argv[] = {"sim",
                          "--listen",
                          "::1",
                          "--port",
                          "0",
                          "--mode",
                          "stream",
                          "--version",
                          "2",
                          "--status-e",
                          "5",
                          "--wrong-reply",
                          "fg",
                          "--no-reply",
                          "e",
                          "--close-on",
                          "g",
                          "--reply-delay",
                          "300",
                          "--silence",
                          "--stop-after",
                          "10",
                          "--close-after",
                          "20",
                          "--bad-check",
                          "3",
                          "--oversize",
                          "4",
                          "--oversize-length",
                          "2000",
                          "--undecodable",
                          "5",
                          "--truncate",
                          "6",
                          "--per-datagram",
                          "3",
                          "--seconds",
                          "7",
                          "--quiet"};
    SimOptions o = defaultSimOptions();
    std::string error;
    ASSERT_TRUE(parseSimOptions(sizeof argv / sizeof argv[0], argv, &o, &error)) << error;
    const PhoneSimConfig& c = o.config;
    EXPECT_EQ(c.listenAddress, "::1");
    EXPECT_EQ(c.controlPort, 0);
    EXPECT_EQ(c.mediaMode, SimMediaMode::Stream);
    EXPECT_EQ(c.protocolVersion, 2);
    EXPECT_EQ(c.handshakeStatus, 5);
    EXPECT_EQ(c.faults.wrongReplyTo, "fg");
    EXPECT_EQ(c.faults.noReplyTo, "e");
    EXPECT_EQ(c.faults.closeOn, "g");
    EXPECT_EQ(c.faults.replyDelayMs, 300);
    EXPECT_TRUE(c.faults.silence);
    EXPECT_EQ(c.faults.stopAfterPackets, 10);
    EXPECT_EQ(c.faults.closeAfterPackets, 20);
    EXPECT_EQ(c.faults.badCheckEvery, 3);
    EXPECT_EQ(c.faults.oversizeEvery, 4);
    EXPECT_EQ(c.faults.oversizeLength, 2000);
    EXPECT_EQ(c.faults.undecodableEvery, 5);
    EXPECT_EQ(c.faults.truncateEvery, 6);
    EXPECT_EQ(c.faults.packetsPerDatagram, 3);
    EXPECT_EQ(o.seconds, 7);
    EXPECT_FALSE(c.verbose);
}

TEST(SimOptions, DefaultsAndRefusals) {
    SimOptions o = defaultSimOptions();
    EXPECT_EQ(o.config.controlPort, 8125);
    EXPECT_EQ(o.config.listenAddress, "127.0.0.1");
    EXPECT_EQ(o.config.protocolVersion, 3);
    EXPECT_TRUE(o.config.verbose);
    const std::vector<std::vector<const char*>> bad = {
        {"sim", "--port", "65536"},    {"sim", "--port"},  {"sim", "--mode", "usb"},
        {"sim", "--wrong-reply", "q"}, {"sim", "--bogus"}, {"sim", "--version", "3x"},
        {"sim", "--per-datagram", "0"}};
    for (const auto& args : bad) {
        SimOptions x = defaultSimOptions();
        std::string error;
        EXPECT_FALSE(parseSimOptions(static_cast<int>(args.size()), args.data(), &x, &error))
            << args[1];
        EXPECT_FALSE(error.empty());
    }
    const char* help[] = {"sim", "--help"};
    ASSERT_TRUE(parseSimOptions(2, help, &o, nullptr));
    EXPECT_TRUE(o.help);
    const std::string usage = simUsage();
    for (const char* option :
         {"--mode", "--wrong-reply", "--no-reply", "--reply-delay", "--close-on", "--silence",
          "--stop-after", "--close-after", "--bad-check", "--oversize", "--undecodable",
          "--truncate", "--per-datagram", "--wav", "--seconds"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
}

// A WAV file written by the test, in the temporary directory.
class WavFile {
  public:
    WavFile(const char* name, uint16_t format, uint16_t channels, uint32_t rate, uint16_t bits,
            const std::vector<int16_t>& samples, bool extraChunk = false)
        : path_(testing::TempDir() + name) {
        Bytes b;
        b.reserve(64 + samples.size() * 2);
        auto u32 = [&b](uint32_t v) {
            for (int i = 0; i < 4; ++i)
                b.push_back(static_cast<uint8_t>(v >> (8 * i)));
        };
        auto u16 = [&b](uint16_t v) {
            b.push_back(static_cast<uint8_t>(v));
            b.push_back(static_cast<uint8_t>(v >> 8));
        };
        auto tag = [&u32](const char* t) {
            u32(uint32_t(uint8_t(t[0])) | uint32_t(uint8_t(t[1])) << 8 |
                uint32_t(uint8_t(t[2])) << 16 | uint32_t(uint8_t(t[3])) << 24);
        };
        tag("RIFF");
        u32(0);
        tag("WAVE");
        if (extraChunk) {  // an odd-sized chunk before the format, padded
            tag("LIST");
            u32(3);
            u32(0x00030201);
        }
        tag("fmt ");
        u32(16);
        u16(format);
        u16(channels);
        u32(rate);
        u32(rate * channels * bits / 8);
        u16(static_cast<uint16_t>(channels * bits / 8));
        u16(bits);
        tag("data");
        u32(static_cast<uint32_t>(samples.size() * 2));
        for (int16_t s : samples)
            u16(static_cast<uint16_t>(s));
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    }
    ~WavFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

TEST(WavReader, ReadsSamplesAndLoopsAtTheEnd) {
    WavFile wav("kavri_sim_ok.wav", 1, 1, 48000, 16, {1, -2, 300, -32768}, true);
    WavReader reader;
    std::string error;
    ASSERT_TRUE(reader.open(wav.path(), &error)) << error;
    int16_t out[10];
    ASSERT_TRUE(reader.read(out, 10));
    EXPECT_EQ(std::vector<int16_t>(out, out + 10),
              (std::vector<int16_t>{1, -2, 300, -32768, 1, -2, 300, -32768, 1, -2}));
}

TEST(WavReader, RefusesOtherFormatsAndBrokenFiles) {
    const std::vector<int16_t> some = {1, 2, 3};
    WavFile stereo("kavri_sim_stereo.wav", 1, 2, 48000, 16, some);
    WavFile rate("kavri_sim_rate.wav", 1, 1, 44100, 16, some);
    WavFile bits("kavri_sim_bits.wav", 1, 1, 48000, 8, some);
    WavFile flt("kavri_sim_float.wav", 3, 1, 48000, 16, some);
    WavFile empty("kavri_sim_empty.wav", 1, 1, 48000, 16, {});
    for (const WavFile* f : {&stereo, &rate, &bits, &flt, &empty}) {
        WavReader reader;
        std::string error;
        EXPECT_FALSE(reader.open(f->path(), &error)) << f->path();
        EXPECT_FALSE(error.empty());
        int16_t out[2];
        EXPECT_FALSE(reader.read(out, 2));
    }
    WavReader missing;
    std::string error;
    EXPECT_FALSE(missing.open(testing::TempDir() + "kavri_no_such.wav", &error));
    const std::string junkPath = testing::TempDir() + "kavri_sim_junk.wav";
    std::ofstream(junkPath, std::ios::binary) << "RIFF\xff\xff\xff\xffWAVEfmt \xff\xff\xff\xff";
    WavReader junk;
    EXPECT_FALSE(junk.open(junkPath, &error));
    std::remove(junkPath.c_str());
}

TEST(VoiceSignal, SpeaksInSyllablesWithPausesAndRepeatsExactly) {
    VoiceSignal a, b;
    std::vector<int16_t> x(48000 * 3), y(48000 * 3);
    a.fill(x.data(), static_cast<int>(x.size()));
    b.fill(y.data(), static_cast<int>(y.size()));
    EXPECT_EQ(x, y);
    int loud = 0, quiet20ms = 0;
    for (size_t frame = 0; frame + 960 <= x.size(); frame += 960) {
        int peak = 0;
        for (size_t i = frame; i < frame + 960; ++i)
            peak = std::max(peak, std::abs(int{x[i]}));
        if (peak > 3000)
            ++loud;
        if (peak == 0)
            ++quiet20ms;
    }
    EXPECT_GT(loud, 60) << "too little voice in three seconds";
    EXPECT_GT(quiet20ms, 10) << "no pauses between phrases";
}

}  // namespace
}  // namespace kavri
