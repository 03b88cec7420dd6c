#pragma once

#include "transport/shared_media_stream.h"

namespace kavri {

// Over USB the media packets follow the control replies on the same TCP
// connection to the forwarded port.
class UsbMediaStream : public SharedMediaStream {
  public:
    using SharedMediaStream::SharedMediaStream;
};

}  // namespace kavri
