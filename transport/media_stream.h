#pragma once

#include <cstdint>

#include "transport/stream_exceptions.h"

namespace kavri {

// The channel the phone's media packets arrive on.
class MediaStream {
  public:
    virtual ~MediaStream() = default;
    // Delivers exactly length bytes or throws; -1 for a null buffer.
    virtual int read(uint8_t* buffer, int length) = 0;
    // Drops whatever the stream has buffered.
    virtual void reset() {}
    // Whether length more bytes of the current packet can be read without
    // waiting for a new one.
    virtual bool hasAvailable(int /*length*/) { return true; }
    virtual int open() { return 0; }
    virtual int close() { return 0; }
};

}  // namespace kavri
