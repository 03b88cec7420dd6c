#pragma once

#include "transport/control_stream.h"

namespace kavri {

// A control stream over a fixed byte sequence of at most 256 bytes; used to
// exercise the framing and protocol code without a transport.
class InputControlStream : public ControlStream {
  public:
    static constexpr int CAPACITY = 256;

    // More than CAPACITY bytes are refused: only the first CAPACITY are kept.
    InputControlStream(const uint8_t* bytes, int count);

    int open() override { return 0; }
    void close() override {}
    void read(uint8_t* buffer, int length) override;
    void write(const uint8_t*, int) override {}

    int remaining() const { return count_ - position_; }

  private:
    uint8_t bytes_[CAPACITY] = {};
    int count_ = 0;
    int position_ = 0;
};

}  // namespace kavri
