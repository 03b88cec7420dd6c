#pragma once

#include "platform/socket_compat.h"
#include "transport/control_stream.h"

namespace kavri {

// The control stream over a TCP connection (Wi-Fi, and USB through the
// forwarded local port).
class WinSockStream : public ControlStream {
  public:
    static constexpr int RECEIVE_TIMEOUT_MS = 5000;

    // host is not copied: it must outlive the stream.
    WinSockStream(const char* host, int port);
    ~WinSockStream() override;
    WinSockStream(const WinSockStream&) = delete;
    WinSockStream& operator=(const WinSockStream&) = delete;

    // 0, or -5 when the host cannot be resolved or reached.
    int open() override;
    void close() override;
    void read(uint8_t* buffer, int length) override;
    void write(const uint8_t* buffer, int length) override;

    bool isOpen() const { return socket_ != INVALID_SOCKET_VALUE; }
    // The address the connection reached; false when not open.
    bool getPeerAddress(sockaddr_storage* out) const;

  private:
    socket_t socket_ = INVALID_SOCKET_VALUE;
    const char* host_;
    int port_;
};

}  // namespace kavri
