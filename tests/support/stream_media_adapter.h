#pragma once

#include "transport/control_stream.h"
#include "transport/media_stream.h"

namespace kavri::test {

// Media read straight from a control stream it does not own, as the USB and
// Bluetooth transports do; lets tests run stream-mode media over a plain TCP
// control stream.
class StreamMediaAdapter : public MediaStream {
  public:
    explicit StreamMediaAdapter(ControlStream* control) : control_(control) {}

    int read(uint8_t* buffer, int length) override {
        if (buffer == nullptr) {
            return -1;
        }
        control_->read(buffer, length);
        return length;
    }

  private:
    ControlStream* control_;
};

}  // namespace kavri::test
