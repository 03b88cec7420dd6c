#include "tools/phone_sim/lib/sim_request_reader.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace kavri {

int SimRequestReader::expected() const {
    if (fill_ < HEADER_SIZE) {
        return HEADER_SIZE;
    }
    const uint32_t length = uint32_t{buffer_[1]} << 24 | uint32_t{buffer_[2]} << 16 |
                            uint32_t{buffer_[3]} << 8 | uint32_t{buffer_[4]};
    return length > MAX_PAYLOAD ? -1 : HEADER_SIZE + static_cast<int>(length);
}

int SimRequestReader::feed(const uint8_t* bytes, int length) {
    if (complete_) {
        complete_ = false;
        fill_ = 0;
    }
    int taken = 0;
    while (taken < length && !broken_) {
        const int want = expected();
        if (want < 0) {
            broken_ = true;
            break;
        }
        if (fill_ == want) {
            break;
        }
        const int n = std::min(want - fill_, length - taken);
        std::memcpy(buffer_ + fill_, bytes + taken, static_cast<size_t>(n));
        fill_ += n;
        taken += n;
    }
    if (!broken_ && expected() < 0) {
        broken_ = true;
    }
    complete_ = !broken_ && fill_ >= HEADER_SIZE && fill_ == expected();
    return taken;
}

}  // namespace kavri
