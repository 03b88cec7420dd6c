#pragma once

#include <atomic>

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

    bool isOpen() const { return socket_.load() != INVALID_SOCKET_VALUE; }
    // The address the connection reached; false when not open.
    bool getPeerAddress(sockaddr_storage* out) const;

  private:
    void retire(socket_t s);

    // One thread may read (the USB media path) while another writes (the
    // keep-alive), so a failed write only retires the socket: it is shut down
    // at once, which wakes the reader, and closed by close() or the
    // destructor, so its handle cannot be reused under the reader.
    std::atomic<socket_t> socket_{INVALID_SOCKET_VALUE};
    std::atomic<socket_t> retired_{INVALID_SOCKET_VALUE};
    const char* host_;
    int port_;
};

}  // namespace kavri
