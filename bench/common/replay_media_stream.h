#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "transport/media_stream.h"

namespace kavri::bench {

// A media stream that hands out the same recorded packets over and over,
// starting again at the first once the last has been read.
class ReplayMediaStream : public MediaStream {
  public:
    explicit ReplayMediaStream(const std::vector<uint8_t>& packets) : packets_(packets) {}

    int read(uint8_t* buffer, int length) override;
    bool hasAvailable(int length) override;

  private:
    const std::vector<uint8_t>& packets_;
    size_t position_ = 0;
};

}  // namespace kavri::bench
