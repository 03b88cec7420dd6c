#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kavri {

// Where the simulated phone sends its media packets.
enum class SimMediaMode {
    Udp,     // Wi-Fi: datagrams to the port the client named in "f", at the client's address
    Stream,  // USB and Bluetooth: on the control connection, after the "g" reply
};

// Misbehaviour on request. Every "every n-th" counter is 1-based over the
// packets (or datagrams) of one connection; 0 switches the fault off.
struct SimFaults {
    std::string wrongReplyTo;  // request letters answered with wrongReplyType instead of their own
    uint8_t wrongReplyType = 'x';
    std::string noReplyTo;       // request letters that get no reply at all
    int replyDelayMs = 0;        // wait this long before every reply
    std::string closeOn;         // request letters answered by closing the connection
    bool silence = false;        // never send media (sendRawMedia still works)
    int stopAfterPackets = 0;    // stop sending media after this many packets
    int closeAfterPackets = 0;   // close the connection after this many packets
    int badCheckEvery = 0;       // wrong check byte (check-byte format only)
    int oversizeEvery = 0;       // header announces oversizeLength bytes
    int oversizeLength = 1100;   // stream mode sends that many bytes; UDP only the real payload
    int undecodableEvery = 0;    // payload the decoder rejects
    int truncateEvery = 0;       // UDP: datagram cut short inside its last payload
    int packetsPerDatagram = 1;  // UDP: packets sent together in one datagram
    // A Wi-Fi link's timing: each packet leaves 0 to jitterMs late (in order),
    // and every 1 to 3 s the packets of 4 x jitterMs are held and sent together.
    int jitterMs = 0;
    uint32_t jitterSeed = 1;
};

struct PhoneSimConfig {
    std::string listenAddress = "127.0.0.1";  // numeric IPv4 or IPv6 ("::1")
    int controlPort = 0;                      // 0: any free port; see PhoneSimulator::controlPort()
    SimMediaMode mediaMode = SimMediaMode::Udp;
    int protocolVersion = 3;  // "e" reply; 3 selects the check-byte header
    int handshakeStatus = 0;  // status bytes of the "e", "f" and "g" replies
    int setupStatus = 0;
    int startStatus = 0;
    std::string wavFile;  // 48 kHz mono 16-bit PCM; empty: generated voice
    int bitrate = 32000;
    int packetIntervalMs = 20;
    SimFaults faults;
    bool verbose = false;  // print requests and events to standard output
    // Called on the sending thread as each media packet leaves, with its
    // 0-based index on the connection (for latency measurements).
    std::function<void(int)> onPacketSent;
};

// One control message as received from the client: type, length and payload.
struct SimRequest {
    uint8_t type = 0;
    std::vector<uint8_t> bytes;
};

// The phone app's side of the protocol, for tests (in-process) and by hand
// (kavri-phone-sim). One client connection is served at a time; when it ends
// the simulator accepts the next. Reports accumulate over all connections.
class PhoneSimulator {
  public:
    using Millis = std::chrono::milliseconds;

    explicit PhoneSimulator(PhoneSimConfig config = {});
    ~PhoneSimulator();  // stops
    PhoneSimulator(const PhoneSimulator&) = delete;
    PhoneSimulator& operator=(const PhoneSimulator&) = delete;

    // Binds and listens; false (with lastError()) when that fails.
    bool start();
    // Closes every socket and joins the threads. Safe to call twice.
    void stop();
    const std::string& lastError() const;
    // The bound control port, once started.
    int controlPort() const;

    // Takes effect for the next request and the next packet.
    void setFaults(const SimFaults& faults);
    void setStatuses(int handshakeStatus, int setupStatus, int startStatus);
    void setProtocolVersion(int version);

    // What the simulator has seen and done.
    std::vector<SimRequest> requests() const;
    int keepAliveCount() const;
    int packetsSent() const;      // media packets, over all connections
    int connectionCount() const;  // connections accepted
    int clientMediaPort() const;  // from the latest "f"; -1 before any
    bool isClientConnected() const;

    // Bounded waits: true as soon as the condition holds, false on time-out.
    bool waitForConnection(int count, Millis timeout) const;
    bool waitForRequest(uint8_t type, Millis timeout) const;
    bool waitForRequestCount(int count, Millis timeout) const;
    bool waitForKeepAlives(int count, Millis timeout) const;
    bool waitForPacketsSent(int count, Millis timeout) const;
    bool waitForDisconnect(Millis timeout) const;

    // Sends these bytes as one datagram (UDP mode, to the port of the latest
    // "f") or on the connection (stream mode). False when there is no target.
    bool sendRawMedia(const uint8_t* data, int length);
    // Closes the current client connection (the simulator keeps listening).
    void dropConnection();

    class Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace kavri
