#pragma once

#include "transport/control_stream.h"
#include "transport/media_stream.h"

namespace kavri {

// Over USB the media packets follow the control replies on the same TCP
// connection, so the media stream reads the control stream.
class UsbMediaStream : public MediaStream {
  public:
    // control is not owned; the phone link destroys it first and never reads
    // this stream afterwards.
    explicit UsbMediaStream(ControlStream* control) : control_(control) {}

    int read(uint8_t* buffer, int length) override;

  private:
    ControlStream* control_;
};

}  // namespace kavri
