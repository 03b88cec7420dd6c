#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "transport/media_stream.h"

namespace kavri::test {

// A media stream over bytes the test supplies.
// Stream: one continuous byte sequence, as on USB and Bluetooth; hasAvailable
// is always true and a read past the end throws EXCEPTION_END_OF_FILE.
// Datagrams: the Wi-Fi stream's buffering over a queue of datagrams; a short
// remainder throws EXCEPTION_INCOMPLETE_PACKET and an empty queue
// EXCEPTION_TIMEOUT.
class ScriptedMediaStream : public MediaStream {
  public:
    enum class Mode { Stream, Datagrams };
    static constexpr int DATAGRAM_BUFFER = 1024;

    explicit ScriptedMediaStream(Mode mode) : mode_(mode) {}

    void addBytes(const std::vector<uint8_t>& bytes);
    void addDatagram(const std::vector<uint8_t>& bytes);

    int read(uint8_t* buffer, int length) override;
    void reset() override;
    bool hasAvailable(int length) override;
    int open() override;
    int close() override;

    void setOpenResult(int result) { openResult_ = result; }
    int resets() const { return resets_; }
    int opens() const { return opens_; }
    int closes() const { return closes_; }
    // Bytes still waiting: the whole rest (stream) or what is left of the
    // datagram held (datagrams).
    int pending() const;
    int datagramsWaiting() const { return static_cast<int>(datagrams_.size()); }

  private:
    int readStream(uint8_t* buffer, int length);
    int readDatagrams(uint8_t* buffer, int length);

    Mode mode_;
    std::vector<uint8_t> stream_;
    size_t position_ = 0;
    std::deque<std::vector<uint8_t>> datagrams_;
    std::vector<uint8_t> held_;  // the Wi-Fi buffer
    int openResult_ = 0;
    int resets_ = 0;
    int opens_ = 0;
    int closes_ = 0;
};

}  // namespace kavri::test
