#include "transport/socket_stream.h"

#include <algorithm>
#include <chrono>

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
        waitForPiece(s);
        const int n = receiveSome(s, buffer + received, length - received);
        if (n <= 0) {
            throw EXCEPTION_RECEIVE_FAILED;
        }
        received += n;
    }
}

void SocketStream::waitForPiece(socket_t s) const {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(RECEIVE_TIMEOUT_MS);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            throw EXCEPTION_TIMEOUT;
        }
        const int ready =
            waitReadable(s, static_cast<int>(std::min<long long>(left, RETIRE_CHECK_MS)));
        if (ready > 0) {
            return;
        }
        if (ready < 0) {
            throw EXCEPTION_TIMEOUT;
        }
        // Not every socket library wakes a select in another thread when the
        // socket is shut down (Winsock under Wine does not), so the reader
        // looks for a retired socket itself.
        if (socket_.load() != s) {
            throw EXCEPTION_RECEIVE_FAILED;
        }
    }
}

}  // namespace kavri
