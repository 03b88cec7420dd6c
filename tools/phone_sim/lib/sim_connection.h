#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "tools/phone_sim/lib/phone_simulator.h"
#include "tools/phone_sim/lib/sim_socket.h"

namespace kavri {

// One client connection as the simulated phone sees it: the control socket
// and, in UDP mode, the datagram socket aimed at the client's media port.
// Every send and the final close share one lock, so a message is never cut
// into by another and nothing is sent on a closed socket.
class SimConnection {
  public:
    SimConnection(SimSocket control, SimMediaMode mode);

    // Only the serving thread reads the control socket.
    SimSocket& control() { return control_; }
    const std::string& peerText() const { return peerText_; }

    bool sendReply(const uint8_t* bytes, int length);
    // UDP mode: aims the media at this port of the client's address, from
    // the local address the client reached.
    bool setMediaPort(int port, std::string* error);
    bool hasMediaTarget() const;
    bool sendMedia(const uint8_t* bytes, int length);

    void requestDrop() { dropRequested_ = true; }
    bool dropRequested() const { return dropRequested_; }
    void close();

  private:
    // A client that stops reading must not stall the simulator for long.
    static constexpr int SEND_TIMEOUT_MS = 2000;

    mutable std::mutex sendMutex_;
    SimSocket control_;
    SimSocket media_;
    SimMediaMode mode_;
    sockaddr_storage peer_{};
    sockaddr_storage local_{};
    sockaddr_storage mediaTarget_{};
    bool haveMediaTarget_ = false;
    bool closed_ = false;
    std::string peerText_;
    std::atomic<bool> dropRequested_{false};
};

}  // namespace kavri
