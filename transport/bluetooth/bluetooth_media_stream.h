#pragma once

#include "transport/control_stream.h"
#include "transport/media_stream.h"

namespace kavri {

// Over Bluetooth the media packets follow the control replies on the one
// RFCOMM connection, so the media stream reads the control stream.
class BluetoothMediaStream : public MediaStream {
  public:
    // control is not owned; the phone link destroys it first and never reads
    // this stream afterwards.
    explicit BluetoothMediaStream(ControlStream* control) : control_(control) {}

    int read(uint8_t* buffer, int length) override;

  private:
    ControlStream* control_;
};

}  // namespace kavri
