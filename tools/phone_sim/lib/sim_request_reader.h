#pragma once

#include <cstdint>

namespace kavri {

// Cuts the client's byte stream into control messages (type, 4-byte
// big-endian length, payload), however the bytes were split into sends.
class SimRequestReader {
  public:
    static constexpr int HEADER_SIZE = 5;
    // The client's requests carry at most six bytes; anything longer than
    // this is not our protocol.
    static constexpr int MAX_PAYLOAD = 1024;

    // Takes up to length bytes; returns how many it took. It stops taking at
    // the end of a complete message, which message() then shows.
    int feed(const uint8_t* bytes, int length);
    // Whether a complete message is held; the next feed drops it.
    bool hasMessage() const { return complete_; }
    const uint8_t* message() const { return buffer_; }
    int messageLength() const { return fill_; }
    // A length beyond MAX_PAYLOAD was announced.
    bool broken() const { return broken_; }

  private:
    int expected() const;

    uint8_t buffer_[HEADER_SIZE + MAX_PAYLOAD] = {};
    int fill_ = 0;
    bool complete_ = false;
    bool broken_ = false;
};

}  // namespace kavri
