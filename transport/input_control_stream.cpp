#include "transport/input_control_stream.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace kavri {

InputControlStream::InputControlStream(const uint8_t* bytes, int count)
    : count_(std::clamp(count, 0, CAPACITY)) {
    if (bytes != nullptr && count_ > 0) {
        std::memcpy(bytes_, bytes, static_cast<size_t>(count_));
    } else {
        count_ = 0;
    }
}

void InputControlStream::read(uint8_t* buffer, int length) {
    if (length <= 0) {
        return;
    }
    if (length > remaining()) {
        throw EXCEPTION_END_OF_FILE;
    }
    std::memcpy(buffer, bytes_ + position_, static_cast<size_t>(length));
    position_ += length;
}

}  // namespace kavri
