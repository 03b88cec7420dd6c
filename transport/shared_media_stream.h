#pragma once

#include "transport/control_stream.h"
#include "transport/media_stream.h"

namespace kavri {

// A media stream whose packets follow the control replies on the same
// connection (USB, Bluetooth): it simply reads the control stream.
class SharedMediaStream : public MediaStream {
  public:
    // control is not owned; the phone link destroys it first and never reads
    // this stream afterwards.
    explicit SharedMediaStream(ControlStream* control) : control_(control) {}

    int read(uint8_t* buffer, int length) override;

  private:
    ControlStream* control_;
};

}  // namespace kavri
