#pragma once

#include "transport/control_stream.h"

namespace kavri {

// A control stream that records what is written into a 256-byte buffer.
class OutputControlStream : public ControlStream {
  public:
    static constexpr int CAPACITY = 256;

    int open() override {
        count_ = 0;
        return 0;
    }
    void close() override {}
    void read(uint8_t*, int) override {}
    // A write that would go past the buffer is refused whole with
    // EXCEPTION_END_OF_FILE; nothing of it is stored.
    void write(const uint8_t* buffer, int length) override;

    int getCount() const { return count_; }
    uint8_t getByte(int i) const { return (i >= 0 && i < count_) ? bytes_[i] : 0; }

  private:
    uint8_t bytes_[CAPACITY] = {};
    int count_ = 0;
};

}  // namespace kavri
