#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "audio/opus_voice_decoder.h"
#include "core/audio_frame.h"
#include "tests/support/loopback_phone.h"
#include "tools/phone_sim/lib/phone_simulator.h"
#include "transport/phone_link.h"

namespace kavri::test {

// A phone link against the simulator on loopback over Wi-Fi, with the
// settings pointed at it and a real Opus decoder.
class SimLinkFixture : public testing::Test {
  protected:
    static constexpr std::chrono::milliseconds WAIT{5000};

    void TearDown() override;

    // Starts the simulator on host (numeric) and points the settings at it.
    void startPhone(PhoneSimConfig config = {}, const char* host = "127.0.0.1");
    // A phone that sends only what the test hands to sendRawMedia.
    void startSilentPhone(int protocolVersion = 3);
    // open, handshake, setupMedia and startMedia, each expected to succeed.
    void connectLink();
    // One packet in the format of the negotiated version: 0, 22, 23, or the
    // stream exception code thrown (as a negative number minus 100).
    int readPacket();

    static constexpr int thrown(int code) { return -100 - code; }

    std::unique_ptr<PhoneSimulator> phone;
    PhoneLink link;
    OpusVoiceDecoder decoder{48000, 1};
    AudioFrame frame;
    int mediaPort = 0;
    int protocolVersion = -1;
    std::string host;
};

}  // namespace kavri::test
