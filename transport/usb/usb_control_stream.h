#pragma once

#include <memory>

#include "transport/control_stream.h"
#include "transport/wifi/win_sock_stream.h"

namespace kavri {

// The control stream over USB: adb forwards a local TCP port to the same port
// on the phone, and a TCP stream to 127.0.0.1 on that port carries the
// control messages and, after the start exchange, the media packets.
class UsbControlStream : public ControlStream {
  public:
    explicit UsbControlStream(int port) : port_(port) {}
    ~UsbControlStream() override;
    UsbControlStream(const UsbControlStream&) = delete;
    UsbControlStream& operator=(const UsbControlStream&) = delete;

    // 0; -10 when adb reports no device; -5 when the forwarded port does not
    // answer.
    int open() override;
    // Removes the forward exactly when a TCP stream was created.
    void close() override;
    void read(uint8_t* buffer, int length) override;
    void write(const uint8_t* buffer, int length) override;

  private:
    std::unique_ptr<WinSockStream> inner_;
    int port_;
};

}  // namespace kavri
