#pragma once

#include <cstdint>

#include "transport/stream_exceptions.h"

namespace kavri {

// The reliable, ordered byte stream that carries the control messages.
// read/write deliver or hand over exactly the count asked for, or throw a
// stream exception code.
class ControlStream {
  public:
    virtual ~ControlStream() = default;
    virtual int open() = 0;
    virtual void close() = 0;
    virtual void read(uint8_t* buffer, int length) = 0;
    virtual void write(const uint8_t* buffer, int length) = 0;

    // Big-endian helpers: each is exactly one read or one write.
    uint8_t read1();
    uint16_t read2();
    uint32_t read4();
    void skip(int count);
    void write1(uint8_t value);
    void write4(uint32_t value);
};

}  // namespace kavri
