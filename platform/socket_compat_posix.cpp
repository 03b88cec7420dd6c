#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "platform/socket_compat.h"

namespace kavri {

bool systemStartSockets() {
    return true;
}

socket_t openSocket(int family, int type, int protocol) {
    const int s = ::socket(family, type | SOCK_CLOEXEC, protocol);
    return s < 0 ? INVALID_SOCKET_VALUE : s;
}

void closeSocket(socket_t s) {
    if (s != INVALID_SOCKET_VALUE) {
        ::close(s);
    }
}

void shutdownSocket(socket_t s) {
    ::shutdown(s, SHUT_RDWR);
}

int lastSocketError() {
    return errno;
}

int sendSome(socket_t s, const void* data, int length) {
    ssize_t n;
    do {
        n = ::send(s, data, static_cast<size_t>(length), MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? -1 : static_cast<int>(n);
}

int receiveSome(socket_t s, void* data, int length) {
    ssize_t n;
    do {
        n = ::recv(s, data, static_cast<size_t>(length), 0);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? -1 : static_cast<int>(n);
}

int receiveDatagram(socket_t s, void* data, int capacity, sockaddr_storage* from) {
    sockaddr_storage ignored;
    sockaddr_storage* sender = from != nullptr ? from : &ignored;
    socklen_t senderLength = sizeof *sender;
    ssize_t n;
    do {
        // MSG_TRUNC reports the datagram's real size, so an oversized one
        // fails here as it does on Windows instead of arriving cut short.
        n = ::recvfrom(s, data, static_cast<size_t>(capacity), MSG_TRUNC,
                       reinterpret_cast<sockaddr*>(sender), &senderLength);
    } while (n < 0 && errno == EINTR);
    if (n > capacity) {
        errno = EMSGSIZE;
        return -1;
    }
    return n < 0 ? -1 : static_cast<int>(n);
}

int waitReadable(socket_t s, int timeoutMs) {
    // poll, not select: a descriptor above FD_SETSIZE must not overflow an fd_set.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p = {s, POLLIN, 0};
        const int r = ::poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
        if (r > 0) {
            return (p.revents & POLLNVAL) != 0 ? -1 : 1;
        }
        if (r == 0) {
            return 0;
        }
        if (errno != EINTR) {
            return -1;
        }
    }
}

// Linux binds exclusively unless SO_REUSEADDR or SO_REUSEPORT is set, which we
// never do.
bool setExclusiveAddressUse(socket_t) {
    return true;
}

}  // namespace kavri
