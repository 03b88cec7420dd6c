#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/opus_voice_decoder.h"
#include "core/reception_stats.h"
#include "settings/settings.h"
#include "tests/core/mic_controller_fakes.h"
#include "tests/support/free_ports.h"
#include "tests/support/loopback_phone.h"
#include "tools/phone_sim/lib/phone_simulator.h"
#include "tools/phone_sim/lib/sim_packet.h"
#include "tools/phone_sim/lib/sim_voice_encoder.h"

namespace kavri::test {

// Points the process-wide settings at a phone on loopback over Wi-Fi.
inline void useLoopbackPhone(int controlPort, int mediaPort) {
    useWifiPhone("127.0.0.1", controlPort, mediaPort);
    Settings::setPlayLocally(false);
}

// Media packets the test sends itself through a silent simulator, together
// with the frames a decoder makes of them, so that what reaches the outputs
// can be compared sample for sample.
class VoiceScript {
  public:
    VoiceScript() : decoder_(48000, 1) {
        std::string error;
        encoderOpen_ = encoder_.open(32000, "", &error);
        decoder_.open();
    }

    // Sends count packets in the check-byte format, one datagram each.
    bool send(PhoneSimulator& phone, int count) {
        for (int i = 0; i < count; ++i) {
            uint8_t payload[1024];
            const int length = encoderOpen_ ? encoder_.encodeNext(payload, sizeof payload) : -1;
            if (length < 0)
                return false;
            Samples frame(1920);
            int samples = 1920;
            if (!decoder_.decode(payload, length, frame.data(), &samples))
                return false;
            frame.resize(static_cast<size_t>(samples));
            expected_.push_back(frame);

            SimPacket packet;
            packet.checkByteFormat = true;
            packet.headerWord = static_cast<uint32_t>(expected_.size());
            packet.payload = payload;
            packet.payloadLength = length;
            uint8_t bytes[1100];
            const int size = buildMediaPacket(packet, bytes, sizeof bytes);
            if (size < 0 || !phone.sendRawMedia(bytes, size))
                return false;
        }
        return true;
    }

    // The decoded frame of the n-th packet sent, from 0.
    const Samples& frame(size_t n) const { return expected_.at(n); }
    int sent() const { return static_cast<int>(expected_.size()); }

  private:
    SimVoiceEncoder encoder_;
    OpusVoiceDecoder decoder_;
    bool encoderOpen_ = false;
    std::vector<Samples> expected_;
};

// A simulated phone on loopback with the settings pointing at it.
class PhoneFixture : public testing::Test {
  protected:
    static constexpr Millis kConnectWait{10000};
    // Three receive attempts of the media stream's 3-second time-out, and slack.
    static constexpr Millis kSilenceWait{20000};

    void startPhone(PhoneSimConfig config = {}) {
        config.listenAddress = "127.0.0.1";
        config.controlPort = 0;
        phone = std::make_unique<PhoneSimulator>(config);
        ASSERT_TRUE(phone->start()) << phone->lastError();
        mediaPort = pickFreeUdpPort();
        ASSERT_GT(mediaPort, 0);
        useLoopbackPhone(phone->controlPort(), mediaPort);
    }

    // A phone that sends only what the test hands it.
    void startSilentPhone() {
        PhoneSimConfig config;
        config.faults.silence = true;
        startPhone(config);
    }

    static bool waitForRx(int count) {
        return waitUntil([count] { return receptionStats().rx.load() >= count; }, Millis(5000));
    }

    std::unique_ptr<PhoneSimulator> phone;
    int mediaPort = 0;
};

}  // namespace kavri::test
