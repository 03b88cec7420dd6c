#pragma once

#include "platform/socket_compat.h"
#include "transport/socket_stream.h"

namespace kavri {

// The control stream over a TCP connection (Wi-Fi, and USB through the
// forwarded local port).
class WinSockStream : public SocketStream {
  public:
    // host is not copied: it must outlive the stream.
    WinSockStream(const char* host, int port);

    // RESULT_OK, or RESULT_CANNOT_CONNECT when the host cannot be resolved or
    // reached.
    int open() override;

    // The address the connection reached; false when not open.
    bool getPeerAddress(sockaddr_storage* out) const;

  private:
    const char* host_;
    int port_;
};

}  // namespace kavri
