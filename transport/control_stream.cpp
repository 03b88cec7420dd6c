#include "transport/control_stream.h"

#include <cstddef>
#include <vector>

namespace kavri {

uint8_t ControlStream::read1() {
    uint8_t b[1];
    read(b, 1);
    return b[0];
}

uint16_t ControlStream::read2() {
    uint8_t b[2];
    read(b, 2);
    return static_cast<uint16_t>(b[0] << 8 | b[1]);
}

uint32_t ControlStream::read4() {
    uint8_t b[4];
    read(b, 4);
    return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | uint32_t{b[3]};
}

void ControlStream::skip(int count) {
    // Only the protocol code calls this, with small counts; it is never on
    // the per-frame path.
    std::vector<uint8_t> scratch(count > 0 ? static_cast<size_t>(count) : 1);
    read(scratch.data(), count);
}

void ControlStream::write1(uint8_t value) {
    write(&value, 1);
}

void ControlStream::write4(uint32_t value) {
    const uint8_t b[4] = {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                          static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    write(b, 4);
}

}  // namespace kavri
