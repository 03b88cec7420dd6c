#include "tools/phone_sim/lib/sim_socket.h"

#include <chrono>
#include <cstring>

#ifndef _WIN32
#include <arpa/inet.h>
#endif

namespace kavri {

namespace {

using Clock = std::chrono::steady_clock;

socklen_t lengthOf(const sockaddr_storage& address) {
    return address.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
}

SimSocket makeSocket(int family, int type, std::string* error) {
    if (!startSockets()) {
        if (error)
            *error = "socket library start-up failed";
        return SimSocket();
    }
    SimSocket s(openSocket(family, type, 0));
    if (!s.valid()) {
        if (error)
            *error = "socket() failed: " + std::to_string(lastSocketError());
    }
    return s;
}

}  // namespace

SimSocket& SimSocket::operator=(SimSocket&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.release();
    }
    return *this;
}

void SimSocket::close() {
    if (handle_ != INVALID) {
        closeSocket(handle_);
        handle_ = INVALID;
    }
}

SimSocket::Handle SimSocket::release() {
    const Handle h = handle_;
    handle_ = INVALID;
    return h;
}

bool SimSocket::parseAddress(const std::string& text, int port, sockaddr_storage* out) {
    if (!startSockets() || port < 0 || port > 65535) {
        return false;
    }
    *out = sockaddr_storage{};
    auto* v4 = reinterpret_cast<sockaddr_in*>(out);
    if (inet_pton(AF_INET, text.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<uint16_t>(port));
        return true;
    }
    auto* v6 = reinterpret_cast<sockaddr_in6*>(out);
    if (inet_pton(AF_INET6, text.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<uint16_t>(port));
        return true;
    }
    return false;
}

std::string SimSocket::formatAddress(const sockaddr_storage& address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
        inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
    } else if (address.ss_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
        inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    }
    return text;
}

int SimSocket::portOf(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
    }
    return ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
}

void SimSocket::setPort(sockaddr_storage* address, int port) {
    const auto p = htons(static_cast<uint16_t>(port));
    if (address->ss_family == AF_INET6) {
        reinterpret_cast<sockaddr_in6*>(address)->sin6_port = p;
    } else {
        reinterpret_cast<sockaddr_in*>(address)->sin_port = p;
    }
}

SimSocket SimSocket::listenTcp(const sockaddr_storage& address, std::string* error) {
    SimSocket s = makeSocket(address.ss_family, SOCK_STREAM, error);
    if (!s.valid()) {
        return s;
    }
    simsock::allowAddressReuse(s.handle_);
    if (bind(s.handle_, reinterpret_cast<const sockaddr*>(&address), lengthOf(address)) != 0 ||
        listen(s.handle_, 4) != 0 || !simsock::setNonBlocking(s.handle_)) {
        if (error)
            *error = "cannot listen on " + formatAddress(address) + " port " +
                     std::to_string(portOf(address)) + ": error " +
                     std::to_string(lastSocketError());
        return SimSocket();
    }
    return s;
}

SimSocket SimSocket::connectTcp(const sockaddr_storage& address) {
    SimSocket s = makeSocket(address.ss_family, SOCK_STREAM, nullptr);
    if (!s.valid() ||
        connect(s.handle_, reinterpret_cast<const sockaddr*>(&address), lengthOf(address)) != 0 ||
        !simsock::setNonBlocking(s.handle_)) {
        return SimSocket();
    }
    return s;
}

SimSocket SimSocket::bindUdp(const sockaddr_storage& address, std::string* error) {
    SimSocket s = makeSocket(address.ss_family, SOCK_DGRAM, error);
    if (!s.valid()) {
        return s;
    }
    if (bind(s.handle_, reinterpret_cast<const sockaddr*>(&address), lengthOf(address)) != 0 ||
        !simsock::setNonBlocking(s.handle_)) {
        if (error)
            *error = "cannot bind UDP to " + formatAddress(address) + ": error " +
                     std::to_string(lastSocketError());
        return SimSocket();
    }
    return s;
}

SimSocket SimSocket::accept() {
    SimSocket client(::accept(handle_, nullptr, nullptr));
    // Accepted sockets do not inherit non-blocking mode everywhere.
    if (client.valid() && !simsock::setNonBlocking(client.handle_)) {
        client.close();
    }
    return client;
}

int SimSocket::waitReadable(int timeoutMs) const {
    return valid() ? kavri::waitReadable(handle_, timeoutMs) : -1;
}

int SimSocket::receive(uint8_t* buffer, int capacity) {
    if (!valid() || capacity <= 0) {
        return -1;
    }
    const int n = receiveSome(handle_, buffer, capacity);
    if (n < 0) {
        return simsock::lastErrorWouldBlock() ? NOTHING_READY : -1;
    }
    return n;
}

bool SimSocket::sendAll(const uint8_t* data, int length, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (length > 0 && valid()) {
        const int n = sendSome(handle_, data, length);
        if (n > 0) {
            data += n;
            length -= n;
            continue;
        }
        if (n < 0 && !simsock::lastErrorWouldBlock()) {
            return false;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 ||
            simsock::waitWritable(handle_, static_cast<int>(left.count())) < 0) {
            return false;
        }
    }
    return length == 0;
}

bool SimSocket::sendTo(const uint8_t* data, int length, const sockaddr_storage& to) {
    if (!valid()) {
        return false;
    }
    const int n = static_cast<int>(sendto(handle_, reinterpret_cast<const char*>(data), length, 0,
                                          reinterpret_cast<const sockaddr*>(&to), lengthOf(to)));
    return n == length;
}

int SimSocket::receiveFrom(uint8_t* buffer, int capacity, sockaddr_storage* from) {
    *from = sockaddr_storage{};
    socklen_t length = sizeof *from;
    if (!valid() || capacity <= 0) {
        return -1;
    }
    const int n = static_cast<int>(recvfrom(handle_, reinterpret_cast<char*>(buffer), capacity, 0,
                                            reinterpret_cast<sockaddr*>(from), &length));
    return n < 0 ? -1 : n;
}

bool SimSocket::localAddress(sockaddr_storage* out) const {
    socklen_t len = sizeof *out;
    *out = sockaddr_storage{};
    return valid() && getsockname(handle_, reinterpret_cast<sockaddr*>(out), &len) == 0;
}

bool SimSocket::peerAddress(sockaddr_storage* out) const {
    socklen_t len = sizeof *out;
    *out = sockaddr_storage{};
    return valid() && getpeername(handle_, reinterpret_cast<sockaddr*>(out), &len) == 0;
}

}  // namespace kavri
