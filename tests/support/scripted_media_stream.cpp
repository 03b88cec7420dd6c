#include "tests/support/scripted_media_stream.h"

#include <cstring>

namespace kavri::test {

void ScriptedMediaStream::addBytes(const std::vector<uint8_t>& bytes) {
    stream_.insert(stream_.end(), bytes.begin(), bytes.end());
}

void ScriptedMediaStream::addDatagram(const std::vector<uint8_t>& bytes) {
    datagrams_.push_back(bytes);
}

int ScriptedMediaStream::read(uint8_t* buffer, int length) {
    if (buffer == nullptr) {
        return -1;
    }
    return mode_ == Mode::Stream ? readStream(buffer, length) : readDatagrams(buffer, length);
}

int ScriptedMediaStream::readStream(uint8_t* buffer, int length) {
    if (length <= 0) {
        return length;
    }
    if (static_cast<size_t>(length) > stream_.size() - position_) {
        throw EXCEPTION_END_OF_FILE;
    }
    std::memcpy(buffer, stream_.data() + position_, static_cast<size_t>(length));
    position_ += static_cast<size_t>(length);
    return length;
}

int ScriptedMediaStream::readDatagrams(uint8_t* buffer, int length) {
    if (static_cast<int>(held_.size()) < length && !held_.empty()) {
        held_.clear();
        throw EXCEPTION_INCOMPLETE_PACKET;
    }
    while (static_cast<int>(held_.size()) < length) {
        if (datagrams_.empty()) {
            throw EXCEPTION_TIMEOUT;
        }
        const std::vector<uint8_t> next = datagrams_.front();
        datagrams_.pop_front();
        if (held_.size() + next.size() > DATAGRAM_BUFFER) {
            throw EXCEPTION_RECEIVE_FAILED;
        }
        held_.insert(held_.end(), next.begin(), next.end());
    }
    if (length > 0) {
        std::memcpy(buffer, held_.data(), static_cast<size_t>(length));
        held_.erase(held_.begin(), held_.begin() + length);
    }
    return length;
}

void ScriptedMediaStream::reset() {
    ++resets_;
    held_.clear();
}

bool ScriptedMediaStream::hasAvailable(int length) {
    return mode_ == Mode::Stream || static_cast<int>(held_.size()) >= length;
}

int ScriptedMediaStream::open() {
    ++opens_;
    return openResult_;
}

int ScriptedMediaStream::close() {
    ++closes_;
    return 0;
}

int ScriptedMediaStream::pending() const {
    return mode_ == Mode::Stream ? static_cast<int>(stream_.size() - position_)
                                 : static_cast<int>(held_.size());
}

}  // namespace kavri::test
