#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "transport/input_control_stream.h"
#include "transport/output_control_stream.h"

namespace kavri::test {

// A control stream that answers reads from a script of bytes and records
// every write: the phone's replies in, the client's requests out.
class ScriptedControlStream : public ControlStream {
  public:
    explicit ScriptedControlStream(const std::vector<uint8_t>& replies)
        : in_(replies.data(), static_cast<int>(replies.size())) {}

    int open() override {
        ++opens;
        out_.open();
        return openResult;
    }
    void close() override {
        ++closes;
        if (events != nullptr)
            events->push_back("control closed");
    }
    ~ScriptedControlStream() override {
        if (events != nullptr)
            events->push_back("control destroyed");
    }
    // Past the end of the script: what a silent phone's socket gives.
    void read(uint8_t* buffer, int length) override {
        if (length > in_.remaining()) {
            throw endOfScript;
        }
        in_.read(buffer, length);
    }
    void write(const uint8_t* buffer, int length) override {
        if (failWrites) {
            throw EXCEPTION_SEND_FAILED;
        }
        ++writes;
        out_.write(buffer, length);
    }

    std::vector<uint8_t> written() const {
        std::vector<uint8_t> bytes;
        for (int i = 0; i < out_.getCount(); ++i)
            bytes.push_back(out_.getByte(i));
        return bytes;
    }
    int unread() const { return in_.remaining(); }

    int openResult = 0;
    int endOfScript = EXCEPTION_TIMEOUT;
    bool failWrites = false;
    int opens = 0;
    int closes = 0;
    int writes = 0;
    std::vector<std::string>* events = nullptr;

  private:
    InputControlStream in_;
    OutputControlStream out_;
};

}  // namespace kavri::test
