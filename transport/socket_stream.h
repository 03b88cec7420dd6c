#pragma once

#include <atomic>

#include "platform/socket_compat.h"
#include "transport/control_stream.h"

namespace kavri {

// The control stream over a connected byte socket: TCP for Wi-Fi and USB,
// RFCOMM for Bluetooth. The transports differ only in how they open it.
class SocketStream : public ControlStream {
  public:
    // The wait for each piece of a read; it restarts for every piece, so a
    // slow but steady reply is not cut off.
    static constexpr int RECEIVE_TIMEOUT_MS = 5000;

    ~SocketStream() override;
    SocketStream(const SocketStream&) = delete;
    SocketStream& operator=(const SocketStream&) = delete;

    void close() override;
    void read(uint8_t* buffer, int length) override;
    void write(const uint8_t* buffer, int length) override;

    bool isOpen() const { return socket_.load() != INVALID_SOCKET_VALUE; }
    // Takes over a socket that is already connected, in place of open(); for
    // tests and tools that stand in for the phone.
    void adopt(socket_t connected);

  protected:
    SocketStream() = default;
    socket_t currentSocket() const { return socket_.load(); }

  private:
    // How often a waiting reader looks whether a failed write retired its
    // socket.
    static constexpr int RETIRE_CHECK_MS = 100;

    void retire(socket_t s);
    // Waits until s is readable; throws EXCEPTION_TIMEOUT after the receive
    // time-out and EXCEPTION_RECEIVE_FAILED once the socket is retired.
    void waitForPiece(socket_t s) const;

    // One thread reads (the media path of USB and Bluetooth) while another
    // writes (the keep-alive), so a failed write only retires the socket: it
    // is shut down at once, which wakes the reader, and closed by close() or
    // the destructor, so its handle cannot be reused under the reader.
    std::atomic<socket_t> socket_{INVALID_SOCKET_VALUE};
    std::atomic<socket_t> retired_{INVALID_SOCKET_VALUE};
};

}  // namespace kavri
