#include "tests/support/loopback_peer.h"

#include <cstring>
#include <utility>

#include "transport/wifi/socket_routines.h"

namespace kavri::test {

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        reset();
        s_ = other.s_;
        other.s_ = INVALID_SOCKET_VALUE;
    }
    return *this;
}

void Socket::reset() {
    closeSocket(s_);
    s_ = INVALID_SOCKET_VALUE;
}

bool Socket::sendAll(const void* data, int length) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (length > 0) {
        const int n = sendSome(s_, bytes, length);
        if (n <= 0) {
            return false;
        }
        bytes += n;
        length -= n;
    }
    return true;
}

std::vector<uint8_t> Socket::receive(int length, int timeoutMs) {
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    int got = 0;
    while (got < length) {
        if (waitReadable(s_, timeoutMs) <= 0) {
            return {};
        }
        const int n = receiveSome(s_, bytes.data() + got, length - got);
        if (n <= 0) {
            return {};
        }
        got += n;
    }
    return bytes;
}

bool Socket::seesEndOfStream(int timeoutMs) {
    uint8_t byte;
    return waitReadable(s_, timeoutMs) > 0 && receiveSome(s_, &byte, 1) == 0;
}

void Socket::abort() {
    linger hard = {};
    hard.l_onoff = 1;
    hard.l_linger = 0;
    setsockopt(s_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
    reset();
}

bool makeAddress(const char* numeric, int port, sockaddr_storage* out) {
    *out = {};
    auto* v4 = reinterpret_cast<sockaddr_in*>(out);
    if (inet_pton(AF_INET, numeric, &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<uint16_t>(port));
        return true;
    }
    auto* v6 = reinterpret_cast<sockaddr_in6*>(out);
    if (inet_pton(AF_INET6, numeric, &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<uint16_t>(port));
        return true;
    }
    return false;
}

namespace {

socklen_t lengthOf(const sockaddr_storage& a) {
    return a.ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
}

Socket bound(const char* address, int type) {
    sockaddr_storage local;
    if (!startSockets() || !makeAddress(address, 0, &local)) {
        return Socket();
    }
    Socket s(openSocket(local.ss_family, type, 0));
    if (!s.valid() || bind(s.get(), reinterpret_cast<sockaddr*>(&local), lengthOf(local)) != 0) {
        return Socket();
    }
    return s;
}

}  // namespace

TcpListener::TcpListener(const char* address) : socket_(bound(address, SOCK_STREAM)) {
    if (socket_.valid() && listen(socket_.get(), 4) != 0) {
        socket_.reset();
    }
}

Socket TcpListener::accept(int timeoutMs) {
    if (waitReadable(socket_.get(), timeoutMs) <= 0) {
        return Socket();
    }
    const socket_t s = ::accept(socket_.get(), nullptr, nullptr);
    return Socket(s);
}

UdpSender::UdpSender(const char* address) : socket_(bound(address, SOCK_DGRAM)) {}

bool UdpSender::sendTo(const char* address, int port, const void* data, int length) {
    sockaddr_storage to;
    if (!makeAddress(address, port, &to)) {
        return false;
    }
    return sendto(socket_.get(), static_cast<const char*>(data), length, 0,
                  reinterpret_cast<const sockaddr*>(&to), lengthOf(to)) == length;
}

namespace {

// Whether a datagram from sender to target arrives from expected.
bool arrivesFrom(UdpSender& sender, const char* target, const char* expected) {
    Socket probe(bindUdpSocket(0));
    if (!probe.valid() || !sender.sendTo(target, localPort(probe.get()), "?", 1) ||
        waitReadable(probe.get(), 5000) <= 0) {
        return false;
    }
    char byte;
    sockaddr_storage from = {}, want;
    return receiveDatagram(probe.get(), &byte, 1, &from) == 1 && makeAddress(expected, 0, &want) &&
           sameHostAddress(from, want);
}

}  // namespace

Stranger findStranger() {
    const std::pair<const char*, const char*> candidates[] = {{"127.0.0.2", "127.0.0.1"},
                                                              {"::1", "::1"}};
    for (const auto& [address, target] : candidates) {
        UdpSender sender(address);
        if (sender.valid() && arrivesFrom(sender, target, address)) {
            return Stranger{std::move(sender), address, target};
        }
    }
    return Stranger{};
}

}  // namespace kavri::test
