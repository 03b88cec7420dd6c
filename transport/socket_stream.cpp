#include "transport/socket_stream.h"

namespace kavri {

SocketStream::~SocketStream() {
    close();
}

void SocketStream::adopt(socket_t connected) {
    close();
    socket_.store(connected);
}

void SocketStream::close() {
    closeSocket(socket_.exchange(INVALID_SOCKET_VALUE));
    closeSocket(retired_.exchange(INVALID_SOCKET_VALUE));
}

void SocketStream::write(const uint8_t* buffer, int length) {
    const socket_t s = socket_.load();
    if (s == INVALID_SOCKET_VALUE) {
        throw EXCEPTION_NOT_OPEN;
    }
    int sent = 0;
    while (sent < length) {
        const int n = sendSome(s, buffer + sent, length - sent);
        // A send that moves nothing would never finish: treat it as failed.
        if (n <= 0) {
            retire(s);
            throw EXCEPTION_SEND_FAILED;
        }
        sent += n;
    }
}

void SocketStream::retire(socket_t s) {
    socket_t expected = s;
    if (socket_.compare_exchange_strong(expected, INVALID_SOCKET_VALUE)) {
        shutdownSocket(s);
        closeSocket(retired_.exchange(s));
    }
}

void SocketStream::read(uint8_t* buffer, int length) {
    // The handle is taken once: a write failing meanwhile only shuts it down.
    const socket_t s = socket_.load();
    if (s == INVALID_SOCKET_VALUE) {
        throw EXCEPTION_NOT_OPEN;
    }
    int received = 0;
    while (received < length) {
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

}  // namespace kavri
