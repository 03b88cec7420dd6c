#include "tests/core/scripted_phone.h"

#include <algorithm>

#include "transport/stream_exceptions.h"

namespace kavri::test {

class ScriptedPhone::Control : public ControlStream {
  public:
    explicit Control(ScriptedPhone* phone) : phone_(phone) {}
    int open() override { return 0; }
    void close() override {}
    void read(uint8_t* buffer, int length) override { phone_->readReply(buffer, length); }
    void write(const uint8_t* buffer, int length) override { phone_->write(buffer, length); }

  private:
    ScriptedPhone* phone_;
};

class ScriptedPhone::Media : public MediaStream {
  public:
    explicit Media(ScriptedPhone* phone) : phone_(phone) {}
    int read(uint8_t* buffer, int length) override { return phone_->readMedia(buffer, length); }
    void reset() override { phone_->resetMedia(); }
    bool hasAvailable(int length) override { return phone_->hasAvailable(length); }

  private:
    ScriptedPhone* phone_;
};

// Every sample of a frame is the payload's first byte; an empty payload is
// refused.
class ScriptedPhone::Decoder : public VoiceDecoder {
  public:
    int open() override { return 0; }
    void close() override {}
    bool decode(const uint8_t* packet, int length, int16_t* samples, int* sampleCount) override {
        if (length < 1 || *sampleCount < 960)
            return false;
        std::fill(samples, samples + 960, static_cast<int16_t>(packet[0]));
        *sampleCount = 960;
        return true;
    }
};

MicInputs ScriptedPhone::inputs() {
    MicInputs inputs;
    inputs.openLink = [this](PhoneLink& link) {
        return link.open(std::make_unique<Control>(this), std::make_unique<Media>(this));
    };
    inputs.makeDecoder = [](int, int) -> std::unique_ptr<VoiceDecoder> {
        return std::make_unique<Decoder>();
    };
    inputs.clock = clock_;
    return inputs;
}

std::vector<int64_t> ScriptedPhone::keepAliveTimes() {
    std::vector<int64_t> times;
    for (const auto& w : writes()) {
        if (w.bytes == std::vector<uint8_t>{'i'})
            times.push_back(w.atMs);
    }
    return times;
}

void ScriptedPhone::readReply(uint8_t* buffer, int length) {
    std::unique_lock<std::mutex> lock(mutex_);
    repliesReleased_.wait(lock, [this] { return !holdReplies_; });
    if (static_cast<size_t>(length) > replies_.size() - replyPosition_)
        throw EXCEPTION_TIMEOUT;
    std::memcpy(buffer, replies_.data() + replyPosition_, static_cast<size_t>(length));
    replyPosition_ += static_cast<size_t>(length);
}

void ScriptedPhone::write(const uint8_t* buffer, int length) {
    const int64_t now = clock_->now();
    std::lock_guard<std::mutex> lock(mutex_);
    if (hungUp_)
        throw EXCEPTION_SEND_FAILED;
    writes_.push_back({now, std::vector<uint8_t>(buffer, buffer + length)});
}

int ScriptedPhone::readMedia(uint8_t* buffer, int length) {
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (static_cast<int>(held_.size()) >= length) {
                std::memcpy(buffer, held_.data(), static_cast<size_t>(length));
                held_.erase(held_.begin(), held_.begin() + length);
                return length;
            }
            if (!held_.empty()) {
                held_.clear();
                throw EXCEPTION_INCOMPLETE_PACKET;
            }
            if (!packets_.empty()) {
                held_ = packets_.front();
                packets_.pop_front();
                continue;
            }
        }
        // Nothing held: wait for the next datagram, afresh for each one.
        const bool arrived = clock_->waitFor(MEDIA_WAIT_MS, [this](int64_t) {
            std::lock_guard<std::mutex> lock(mutex_);
            return !packets_.empty();
        });
        if (!arrived)
            throw EXCEPTION_TIMEOUT;
    }
}

bool ScriptedPhone::hasAvailable(int length) {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(held_.size()) >= length;
}

void ScriptedPhone::resetMedia() {
    std::lock_guard<std::mutex> lock(mutex_);
    held_.clear();
}

std::vector<uint8_t> ScriptedPhone::checkedPacket(uint16_t sequence,
                                                  const std::vector<uint8_t>& payload) {
    uint8_t check = 0;
    for (const uint8_t b : payload)
        check ^= b;
    std::vector<uint8_t> bytes{check,
                               0,
                               static_cast<uint8_t>(sequence >> 8),
                               static_cast<uint8_t>(sequence),
                               static_cast<uint8_t>(payload.size() >> 8),
                               static_cast<uint8_t>(payload.size())};
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

std::vector<uint8_t> ScriptedPhone::plainPacket(uint32_t headerWord,
                                                const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> bytes{
        static_cast<uint8_t>(headerWord >> 24),    static_cast<uint8_t>(headerWord >> 16),
        static_cast<uint8_t>(headerWord >> 8),     static_cast<uint8_t>(headerWord),
        static_cast<uint8_t>(payload.size() >> 8), static_cast<uint8_t>(payload.size())};
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return bytes;
}

}  // namespace kavri::test
