#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/voice_decoder.h"
#include "core/mic_controller.h"
#include "tests/core/fake_clock.h"
#include "transport/control_stream.h"
#include "transport/media_stream.h"
#include "transport/phone_link.h"

namespace kavri::test {

// One write of the client on the control stream, with its fake time.
struct TimedWrite {
    int64_t atMs;
    std::vector<uint8_t> bytes;
};

// A phone scripted in fake time: it answers the three requests at once with
// status 0, records every write of the client, takes media packets one per
// datagram as the test hands them in, and lets a read wait 3000 fake
// milliseconds for a datagram before it times out, as the Wi-Fi stream does.
class ScriptedPhone {
  public:
    static constexpr int MEDIA_WAIT_MS = 3000;

    ScriptedPhone(std::shared_ptr<FakeClock> clock, int protocolVersion)
        : clock_(std::move(clock)),
          replies_{'e', 0, 0, 0, 2, 0, static_cast<uint8_t>(protocolVersion), 'f', 0, 0, 0, 1, 0,
                   'g', 0, 0, 0, 1, 0} {}

    // The inputs of a controller talking to this phone: the scripted streams,
    // a decoder that turns a payload into 960 samples of its first byte, and
    // the fake clock.
    MicInputs inputs();

    // A packet that can be read from the current fake time on.
    void addPacket(const std::vector<uint8_t>& bytes) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            packets_.push_back(bytes);
        }
        clock_->wake();
    }
    // The phone hangs up: every write from now on fails.
    void hangUp() {
        std::lock_guard<std::mutex> lock(mutex_);
        hungUp_ = true;
    }
    // Holds the replies to the requests until released.
    void holdReplies(bool hold) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            holdReplies_ = hold;
        }
        repliesReleased_.notify_all();
    }

    std::vector<TimedWrite> writes() {
        std::lock_guard<std::mutex> lock(mutex_);
        return writes_;
    }
    // The fake times at which a keep-alive was sent.
    std::vector<int64_t> keepAliveTimes();

    // Packet in the check-byte format (protocol version 3).
    static std::vector<uint8_t> checkedPacket(uint16_t sequence,
                                              const std::vector<uint8_t>& payload);
    // Packet in the plain format: a 32-bit header word.
    static std::vector<uint8_t> plainPacket(uint32_t headerWord,
                                            const std::vector<uint8_t>& payload);

  private:
    class Control;
    class Media;
    class Decoder;

    void readReply(uint8_t* buffer, int length);
    void write(const uint8_t* buffer, int length);
    int readMedia(uint8_t* buffer, int length);
    bool hasAvailable(int length);
    void resetMedia();

    std::shared_ptr<FakeClock> clock_;
    std::mutex mutex_;
    std::condition_variable repliesReleased_;
    std::vector<uint8_t> replies_;
    size_t replyPosition_ = 0;
    bool holdReplies_ = false;
    bool hungUp_ = false;
    std::vector<TimedWrite> writes_;
    std::deque<std::vector<uint8_t>> packets_;
    std::vector<uint8_t> held_;  // what is left of the datagram being read
};

}  // namespace kavri::test
