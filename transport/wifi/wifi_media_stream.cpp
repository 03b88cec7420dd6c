#include "transport/wifi/wifi_media_stream.h"

#include <chrono>
#include <cstddef>
#include <cstring>

#include "transport/wifi/socket_routines.h"

namespace kavri {

WifiMediaStream::WifiMediaStream(int port) : port_(port) {}

int WifiMediaStream::open() {
    close();
    socket_ = bindUdpSocket(port_);
    if (socket_ == INVALID_SOCKET_VALUE) {
        return -1;
    }
    // A larger receive buffer rides out scheduling hiccups of the receive thread.
    int size = 0;
    socklen_t sizeLength = sizeof size;
    getsockopt(socket_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&size), &sizeLength);
    if (size < MIN_RECEIVE_BUFFER) {
        const int wanted = MIN_RECEIVE_BUFFER;
        setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&wanted),
                   sizeof wanted);
    }
    count_ = 0;
    return 0;
}

int WifiMediaStream::close() {
    if (socket_ == INVALID_SOCKET_VALUE) {
        return -1;
    }
    closeSocket(socket_);
    socket_ = INVALID_SOCKET_VALUE;
    return 0;
}

void WifiMediaStream::allowOnlySender(const sockaddr_storage& peer) {
    allowedSender_ = peer;
    filterSender_ = true;
}

bool WifiMediaStream::acceptsSender(const sockaddr_storage& from) const {
    // A failed receive that names no sender is still reported.
    if (!filterSender_ || from.ss_family == AF_UNSPEC) {
        return true;
    }
    return sameSenderNetwork(from, allowedSender_);
}

int WifiMediaStream::read(uint8_t* destination, int length) {
    if (destination == nullptr) {
        return -1;
    }
    if (length <= 0) {
        return 0;
    }
    if (count_ < length) {
        if (count_ != 0) {
            // What is left of the datagram cannot be the piece asked for.
            count_ = 0;
            throw EXCEPTION_INCOMPLETE_PACKET;
        }
        if (length > BUFFER_SIZE) {
            throw EXCEPTION_INCOMPLETE_PACKET;
        }
        receiveUntil(length);
    }
    std::memcpy(destination, buffer_, static_cast<size_t>(length));
    count_ -= length;
    std::memmove(buffer_, buffer_ + length, static_cast<size_t>(count_));
    return length;
}

// Receives datagrams after the bytes held until length bytes are there. Each
// accepted datagram starts a fresh wait; dropped ones from other senders do
// not, so they cannot keep the read waiting forever.
void WifiMediaStream::receiveUntil(int length) {
    using Clock = std::chrono::steady_clock;
    if (socket_ == INVALID_SOCKET_VALUE) {
        throw EXCEPTION_NOT_OPEN;
    }
    auto deadline = Clock::now() + std::chrono::milliseconds(RECEIVE_TIMEOUT_MS);
    while (count_ < length) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || waitReadable(socket_, static_cast<int>(left)) <= 0) {
            throw EXCEPTION_TIMEOUT;
        }
        sockaddr_storage from = {};
        const int n = receiveDatagram(socket_, buffer_ + count_, BUFFER_SIZE - count_, &from);
        if (!acceptsSender(from)) {
            continue;
        }
        if (n < 0) {
            throw EXCEPTION_RECEIVE_FAILED;
        }
        count_ += n;
        deadline = Clock::now() + std::chrono::milliseconds(RECEIVE_TIMEOUT_MS);
    }
}

}  // namespace kavri
