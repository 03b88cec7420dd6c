#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "tools/phone_sim/lib/media_sender.h"
#include "tools/phone_sim/lib/sim_connection.h"
#include "tools/phone_sim/lib/sim_state.h"

namespace kavri {

// The phone's control port: accepts one client at a time, answers "e", "f"
// and "g", counts "i", and starts the media after a successful "g".
class ControlServer {
  public:
    explicit ControlServer(SimState& state) : state_(state) {}
    ~ControlServer() { stop(); }
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    bool start(std::string* error);
    // The state's stop signal must be raised first; this joins the thread.
    void stop();
    int port() const { return port_; }

    bool sendRawMedia(const uint8_t* bytes, int length);
    void dropConnection();

  private:
    // How often the serving loop looks at the stop and drop requests.
    static constexpr int POLL_MS = 20;

    void run();
    void serve(SimSocket client);
    // False when the connection is to be closed.
    bool handle(SimConnection& connection, const uint8_t* message, int length);
    bool answer(SimConnection& connection, uint8_t type, const PhoneSimConfig& config);
    void startMedia(const std::shared_ptr<SimConnection>& connection);
    void stopMedia();

    SimState& state_;
    SimSocket listener_;
    std::thread thread_;
    int port_ = 0;

    std::mutex connectionMutex_;
    std::shared_ptr<SimConnection> connection_;  // the client being served
    std::unique_ptr<MediaSender> media_;         // serving thread only
};

}  // namespace kavri
