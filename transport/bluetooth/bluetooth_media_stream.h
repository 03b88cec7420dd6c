#pragma once

#include "transport/shared_media_stream.h"

namespace kavri {

// Over Bluetooth the media packets follow the control replies on the one
// RFCOMM connection.
class BluetoothMediaStream : public SharedMediaStream {
  public:
    using SharedMediaStream::SharedMediaStream;
};

}  // namespace kavri
