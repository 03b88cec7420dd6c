#include "transport/output_control_stream.h"

#include <cstddef>
#include <cstring>

namespace kavri {

void OutputControlStream::write(const uint8_t* buffer, int length) {
    if (length <= 0) {
        return;
    }
    if (length > CAPACITY - count_) {
        throw EXCEPTION_END_OF_FILE;
    }
    std::memcpy(bytes_ + count_, buffer, static_cast<size_t>(length));
    count_ += length;
}

}  // namespace kavri
