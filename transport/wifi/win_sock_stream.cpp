#include "transport/wifi/win_sock_stream.h"

#include "transport/wifi/socket_routines.h"

namespace kavri {

WinSockStream::WinSockStream(const char* host, int port) : host_(host), port_(port) {}

WinSockStream::~WinSockStream() {
    close();
}

int WinSockStream::open() {
    close();
    socket_ = connectTcp(host_, port_);
    return socket_ == INVALID_SOCKET_VALUE ? -5 : 0;
}

void WinSockStream::close() {
    if (socket_ != INVALID_SOCKET_VALUE) {
        closeSocket(socket_);
        socket_ = INVALID_SOCKET_VALUE;
    }
}

void WinSockStream::write(const uint8_t* buffer, int length) {
    if (!isOpen()) {
        throw EXCEPTION_NOT_OPEN;
    }
    int sent = 0;
    while (sent < length) {
        const int n = sendSome(socket_, buffer + sent, length - sent);
        if (n <= 0) {
            close();
            throw EXCEPTION_SEND_FAILED;
        }
        sent += n;
    }
}

void WinSockStream::read(uint8_t* buffer, int length) {
    if (!isOpen()) {
        throw EXCEPTION_NOT_OPEN;
    }
    int received = 0;
    while (received < length) {
        // The wait restarts for every piece: a slow but steady reply is not cut off.
        if (waitReadable(socket_, RECEIVE_TIMEOUT_MS) <= 0) {
            throw EXCEPTION_TIMEOUT;
        }
        const int n = receiveSome(socket_, buffer + received, length - received);
        if (n <= 0) {
            throw EXCEPTION_RECEIVE_FAILED;
        }
        received += n;
    }
}

bool WinSockStream::getPeerAddress(sockaddr_storage* out) const {
    if (!isOpen() || out == nullptr) {
        return false;
    }
    sockaddr_storage peer = {};
    socklen_t length = sizeof peer;
    if (getpeername(socket_, reinterpret_cast<sockaddr*>(&peer), &length) != 0) {
        return false;
    }
    *out = peer;
    return true;
}

}  // namespace kavri
