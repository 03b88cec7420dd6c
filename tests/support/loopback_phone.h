#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/free_ports.h"
#include "tools/phone_sim/lib/sim_voice_encoder.h"

namespace kavri::test {

// Points the process-wide settings at a phone over Wi-Fi. host must outlive
// the connection (the settings keep their own copy).
void useWifiPhone(const char* host, int controlPort, int mediaPort);

// Media packets with real Opus voice, as the phone app builds them.
class VoicePackets {
  public:
    VoicePackets();
    bool ready() const { return ready_; }
    // One packet: header and payload.
    std::vector<uint8_t> next(bool checkByteFormat, uint32_t headerWord);
    // A packet around the given payload.
    static std::vector<uint8_t> wrap(bool checkByteFormat, uint32_t headerWord,
                                     const std::vector<uint8_t>& payload);

  private:
    SimVoiceEncoder encoder_;
    bool ready_ = false;
};

// Sends one datagram from the given local address (any port).
bool sendDatagramFrom(const std::string& fromAddress, const std::string& toAddress, int port,
                      const std::vector<uint8_t>& bytes);

// Whether a datagram sent from this local IPv4 address arrives with it as its
// source. Wine binds UDP sockets to the whole interface, so there datagrams
// from 127.0.0.2 leave as 127.0.0.1.
bool sourceAddressKept(const std::string& fromAddress);

}  // namespace kavri::test
