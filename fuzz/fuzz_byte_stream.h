#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "transport/control_stream.h"

namespace kavri {

// A control stream over the fuzz input, without the 256-byte limit of the
// memory streams: reads hand out its bytes in order and end with
// EXCEPTION_END_OF_FILE, as a connection the phone closed; writes go nowhere.
class FuzzByteStream : public ControlStream {
  public:
    FuzzByteStream(const uint8_t* bytes, size_t count) : bytes_(bytes), count_(count) {}

    int open() override { return 0; }
    void close() override {}
    void read(uint8_t* buffer, int length) override {
        if (length <= 0) {
            return;
        }
        if (static_cast<size_t>(length) > remaining()) {
            // A socket would have handed out the rest before failing.
            position_ = count_;
            throw EXCEPTION_END_OF_FILE;
        }
        std::memcpy(buffer, bytes_ + position_, static_cast<size_t>(length));
        position_ += static_cast<size_t>(length);
    }
    void write(const uint8_t*, int) override {}

    size_t remaining() const { return count_ - position_; }

  private:
    const uint8_t* bytes_;
    size_t count_;
    size_t position_ = 0;
};

}  // namespace kavri
