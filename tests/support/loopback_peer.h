#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/socket_compat.h"
#include "tests/support/free_ports.h"

namespace kavri::test {

// An owned socket for the test's side of a loopback connection.
class Socket {
  public:
    Socket() = default;
    explicit Socket(socket_t s) : s_(s) {}
    ~Socket() { closeSocket(s_); }
    Socket(Socket&& other) noexcept : s_(other.s_) { other.s_ = INVALID_SOCKET_VALUE; }
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    socket_t get() const { return s_; }
    bool valid() const { return s_ != INVALID_SOCKET_VALUE; }
    void reset();

    bool sendAll(const void* data, int length);
    // Exactly length bytes, each piece within timeoutMs; empty on failure.
    std::vector<uint8_t> receive(int length, int timeoutMs = 5000);
    // True when the peer closed the connection within timeoutMs.
    bool seesEndOfStream(int timeoutMs = 5000);
    // Closes with a reset instead of an orderly shutdown.
    void abort();

  private:
    socket_t s_ = INVALID_SOCKET_VALUE;
};

// A numeric address with a port; false when the text is not an address.
bool makeAddress(const char* numeric, int port, sockaddr_storage* out);

// A TCP listener on a loopback address and a free port.
class TcpListener {
  public:
    explicit TcpListener(const char* address = "127.0.0.1");
    bool valid() const { return socket_.valid(); }
    int port() const { return localPort(socket_.get()); }
    // The next connection, waiting at most timeoutMs.
    Socket accept(int timeoutMs = 5000);

  private:
    Socket socket_;
};

// A UDP socket bound to a local address, sending datagrams to a port.
class UdpSender {
  public:
    explicit UdpSender(const char* address = "127.0.0.1");
    bool valid() const { return socket_.valid(); }
    bool sendTo(const char* address, int port, const void* data, int length);
    bool sendTo(const char* address, int port, const std::vector<uint8_t>& bytes) {
        return sendTo(address, port, bytes.data(), static_cast<int>(bytes.size()));
    }

  private:
    Socket socket_;
};

// Runs f and returns the stream exception code it throws, or -1 when it
// throws none.
template <typename F>
int thrownCode(F&& f) {
    try {
        f();
    } catch (int code) {
        return code;
    }
    return -1;
}

// Another host than 127.0.0.1, as a media stream sees it: 127.0.0.2 where
// the system sends from the bound address (Wine sends loopback datagrams from
// 127.0.0.1 whatever the binding), otherwise ::1. Invalid when neither works.
struct Stranger {
    UdpSender sender{""};
    std::string address;       // the sender's own address
    std::string mediaAddress;  // where it reaches a dual-stack media stream
    bool valid() const { return sender.valid(); }
    bool sendTo(int port, const std::vector<uint8_t>& bytes) {
        return sender.sendTo(mediaAddress.c_str(), port, bytes);
    }
};
Stranger findStranger();

}  // namespace kavri::test
