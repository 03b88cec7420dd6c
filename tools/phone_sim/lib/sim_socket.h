#pragma once

#include <cstdint>
#include <string>

#include "platform/socket_compat.h"

namespace kavri {

// The simulator's own small socket wrapper: non-blocking sockets with
// bounded waits, so that no thread of the simulator can hang on a peer.
class SimSocket {
  public:
    using Handle = socket_t;
    static constexpr Handle INVALID = INVALID_SOCKET_VALUE;

    SimSocket() = default;
    explicit SimSocket(Handle handle) : handle_(handle) {}
    ~SimSocket() { close(); }
    SimSocket(SimSocket&& other) noexcept : handle_(other.release()) {}
    SimSocket& operator=(SimSocket&& other) noexcept;
    SimSocket(const SimSocket&) = delete;
    SimSocket& operator=(const SimSocket&) = delete;

    // A numeric IPv4 or IPv6 address and a port.
    static bool parseAddress(const std::string& text, int port, sockaddr_storage* out);
    static std::string formatAddress(const sockaddr_storage& address);
    static int portOf(const sockaddr_storage& address);
    static void setPort(sockaddr_storage* address, int port);

    static SimSocket listenTcp(const sockaddr_storage& address, std::string* error);
    static SimSocket connectTcp(const sockaddr_storage& address);
    // A UDP socket bound to the address (port 0: any).
    static SimSocket bindUdp(const sockaddr_storage& address, std::string* error);

    bool valid() const { return handle_ != INVALID; }
    void close();
    Handle release();

    SimSocket accept();
    // 1 readable, 0 time-out, -1 failure.
    int waitReadable(int timeoutMs) const;
    // Bytes received; 0 when the peer closed; -1 on failure; NOTHING_READY
    // when a wake-up brought no data after all.
    static constexpr int NOTHING_READY = -2;
    int receive(uint8_t* buffer, int capacity);
    // False when the bytes could not all be sent within the time-out.
    bool sendAll(const uint8_t* data, int length, int timeoutMs);
    bool sendTo(const uint8_t* data, int length, const sockaddr_storage& to);
    // One datagram and its sender; -1 on failure or when none is waiting.
    int receiveFrom(uint8_t* buffer, int capacity, sockaddr_storage* from);
    bool localAddress(sockaddr_storage* out) const;
    bool peerAddress(sockaddr_storage* out) const;

  private:
    Handle handle_ = INVALID;
};

// What the shared socket layer does not offer, in sim_socket_posix.cpp and
// sim_socket_win32.cpp.
namespace simsock {
bool setNonBlocking(SimSocket::Handle handle);
void allowAddressReuse(SimSocket::Handle handle);
bool lastErrorWouldBlock();
// 1 writable, 0 time-out, -1 failure.
int waitWritable(SimSocket::Handle handle, int timeoutMs);
}  // namespace simsock

}  // namespace kavri
