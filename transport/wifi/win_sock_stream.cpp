#include "transport/wifi/win_sock_stream.h"

#include "transport/wifi/socket_routines.h"

namespace kavri {

WinSockStream::WinSockStream(const char* host, int port) : host_(host), port_(port) {}

WinSockStream::~WinSockStream() {
    close();
}

int WinSockStream::open() {
    close();
    socket_.store(connectTcp(host_, port_));
    return isOpen() ? 0 : -5;
}

void WinSockStream::close() {
    closeSocket(socket_.exchange(INVALID_SOCKET_VALUE));
    closeSocket(retired_.exchange(INVALID_SOCKET_VALUE));
}

void WinSockStream::write(const uint8_t* buffer, int length) {
    const socket_t s = socket_.load();
    if (s == INVALID_SOCKET_VALUE) {
        throw EXCEPTION_NOT_OPEN;
    }
    int sent = 0;
    while (sent < length) {
        const int n = sendSome(s, buffer + sent, length - sent);
        if (n <= 0) {
            retire(s);
            throw EXCEPTION_SEND_FAILED;
        }
        sent += n;
    }
}

void WinSockStream::retire(socket_t s) {
    socket_t expected = s;
    if (socket_.compare_exchange_strong(expected, INVALID_SOCKET_VALUE)) {
        shutdownSocket(s);
        closeSocket(retired_.exchange(s));
    }
}

void WinSockStream::read(uint8_t* buffer, int length) {
    const socket_t s = socket_.load();
    if (s == INVALID_SOCKET_VALUE) {
        throw EXCEPTION_NOT_OPEN;
    }
    int received = 0;
    while (received < length) {
        // The wait restarts for every piece: a slow but steady reply is not cut off.
        if (waitReadable(s, RECEIVE_TIMEOUT_MS) <= 0) {
            throw EXCEPTION_TIMEOUT;
        }
        const int n = receiveSome(s, buffer + received, length - received);
        if (n <= 0) {
            throw EXCEPTION_RECEIVE_FAILED;
        }
        received += n;
    }
}

bool WinSockStream::getPeerAddress(sockaddr_storage* out) const {
    const socket_t s = socket_.load();
    if (s == INVALID_SOCKET_VALUE || out == nullptr) {
        return false;
    }
    sockaddr_storage peer = {};
    socklen_t length = sizeof peer;
    if (getpeername(s, reinterpret_cast<sockaddr*>(&peer), &length) != 0) {
        return false;
    }
    *out = peer;
    return true;
}

}  // namespace kavri
