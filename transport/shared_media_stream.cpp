#include "transport/shared_media_stream.h"

namespace kavri {

int SharedMediaStream::read(uint8_t* buffer, int length) {
    if (buffer == nullptr) {
        return -1;
    }
    if (control_ == nullptr) {
        throw EXCEPTION_NOT_OPEN;
    }
    control_->read(buffer, length);
    return length;
}

}  // namespace kavri
