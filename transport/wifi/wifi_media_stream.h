#pragma once

#include "platform/socket_compat.h"
#include "transport/media_stream.h"

namespace kavri {

// The media stream over a UDP port: holds one received datagram and hands it
// out in the pieces the packet reader asks for.
class WifiMediaStream : public MediaStream {
  public:
    static constexpr int BUFFER_SIZE = 1024;
    static constexpr int RECEIVE_TIMEOUT_MS = 3000;
    static constexpr int MIN_RECEIVE_BUFFER = 32768;

    explicit WifiMediaStream(int port);
    // Does not close: the owner calls close() first.
    ~WifiMediaStream() override = default;
    WifiMediaStream(const WifiMediaStream&) = delete;
    WifiMediaStream& operator=(const WifiMediaStream&) = delete;

    int read(uint8_t* destination, int length) override;
    void reset() override { count_ = 0; }
    bool hasAvailable(int length) override { return count_ >= length; }
    // 0, or -1 when the port cannot be bound.
    int open() override;
    // 0, or -1 when the stream was not open.
    int close() override;

    // From now on take datagrams only from this host (any source port; over
    // IPv6 any address of its /64 network); datagrams from elsewhere are
    // dropped unseen.
    void allowOnlySender(const sockaddr_storage& peer);
    // The port actually bound, or -1 when not open.
    int getLocalPort() const { return localPort(socket_); }

  private:
    void receiveUntil(int length);
    bool acceptsSender(const sockaddr_storage& from) const;

    socket_t socket_ = INVALID_SOCKET_VALUE;
    int port_;
    uint8_t buffer_[BUFFER_SIZE] = {};
    int count_ = 0;
    bool filterSender_ = false;
    sockaddr_storage allowedSender_ = {};
};

}  // namespace kavri
