#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "tools/phone_sim/lib/link_jitter.h"
#include "tools/phone_sim/lib/sim_connection.h"
#include "tools/phone_sim/lib/sim_state.h"
#include "tools/phone_sim/lib/sim_voice_encoder.h"

namespace kavri {

// The phone's media for one connection: one encoded 20 ms packet per tick,
// in the header format of the protocol version, with the configured faults.
class MediaSender {
  public:
    MediaSender(SimState& state, std::shared_ptr<SimConnection> connection);
    ~MediaSender();
    MediaSender(const MediaSender&) = delete;
    MediaSender& operator=(const MediaSender&) = delete;

    bool start(std::string* error);
    // Wakes the thread and joins it.
    void stop();

  private:
    // Room for several packets per datagram and an oversize filler.
    static constexpr int DATAGRAM_CAPACITY = 6 + 65535 + 4096;
    static constexpr int PAYLOAD_CAPACITY = 1000;

    // Datagrams the jittery link still holds.
    struct Delayed {
        std::chrono::steady_clock::time_point at;
        int length = 0;
        int packets = 0;
        int firstIndex = 0;
        uint8_t bytes[2048];
    };
    static constexpr int DELAYED_SLOTS = 64;

    void run();
    void tick(const PhoneSimConfig& config);
    void send(const PhoneSimConfig& config, const uint8_t* bytes, int length, int packets,
              int firstIndex);
    void sendNow(const PhoneSimConfig& config, const uint8_t* bytes, int length, int packets,
                 int firstIndex);
    // Sends what is due by then (everything when `all`).
    void sendDelayed(const PhoneSimConfig& config, std::chrono::steady_clock::time_point by,
                     bool all);
    // Builds the next packet into the datagram; false when nothing was built.
    bool addPacket(const PhoneSimConfig& config);
    void flush(const PhoneSimConfig& config, bool force);
    bool waitTick(std::chrono::steady_clock::time_point deadline);

    SimState& state_;
    std::shared_ptr<SimConnection> connection_;
    SimVoiceEncoder encoder_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopRequested_ = false;

    // Used by the sending thread only.
    uint8_t payload_[PAYLOAD_CAPACITY] = {};
    uint8_t datagram_[DATAGRAM_CAPACITY] = {};
    int datagramLength_ = 0;
    int lastPayloadLength_ = 0;
    int packetsInDatagram_ = 0;
    int packetCount_ = 0;    // packets built on this connection
    int datagramCount_ = 0;  // datagrams sent on this connection
    uint32_t sequence_ = 0;
    LinkJitter jitter_{0, 1};
    std::unique_ptr<Delayed[]> delayed_;
    int delayedHead_ = 0;
    int delayedCount_ = 0;
};

}  // namespace kavri
