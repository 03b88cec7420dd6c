#include "bench/common/replay_media_stream.h"

#include <cstring>

namespace kavri::bench {

int ReplayMediaStream::read(uint8_t* buffer, int length) {
    if (buffer == nullptr) {
        return -1;
    }
    if (position_ == packets_.size()) {
        position_ = 0;  // only ever between two packets
    }
    if (length < 0 || static_cast<size_t>(length) > packets_.size() - position_) {
        throw EXCEPTION_END_OF_FILE;
    }
    std::memcpy(buffer, packets_.data() + position_, static_cast<size_t>(length));
    position_ += static_cast<size_t>(length);
    return length;
}

bool ReplayMediaStream::hasAvailable(int length) {
    return length >= 0 && static_cast<size_t>(length) <= packets_.size() - position_;
}

}  // namespace kavri::bench
