#include "transport/wifi/socket_routines.h"

#include <cstdio>
#include <memory>

namespace kavri {

namespace {

struct AddrInfoDeleter {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddrInfoList = std::unique_ptr<addrinfo, AddrInfoDeleter>;

}  // namespace

socket_t connectTcp(const char* host, int port) {
    if (!startSockets() || host == nullptr) {
        return INVALID_SOCKET_VALUE;
    }
    char service[16];
    std::snprintf(service, sizeof service, "%d", port);
    addrinfo hints = {};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int error = getaddrinfo(host, service, &hints, &found);
    AddrInfoList list(found);
    if (error != 0 || !list) {
        return INVALID_SOCKET_VALUE;
    }
    // Only the first address is tried, as the phone's address is usually numeric.
    const addrinfo* first = list.get();
    const socket_t s = openSocket(first->ai_family, first->ai_socktype, first->ai_protocol);
    if (s == INVALID_SOCKET_VALUE) {
        return INVALID_SOCKET_VALUE;
    }
    if (connect(s, first->ai_addr, static_cast<socklen_t>(first->ai_addrlen)) != 0) {
        closeSocket(s);
        return INVALID_SOCKET_VALUE;
    }
    // Requests go out in several small writes; without this each one waits
    // for the peer's delayed acknowledgement (about 40 ms a request).
    const int noDelay = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
               sizeof noDelay);
    return s;
}

socket_t bindUdpSocket(int port) {
    if (!startSockets()) {
        return INVALID_SOCKET_VALUE;
    }
    // A port outside the 16-bit range would silently bind another port than
    // the one the phone is told.
    if (port < 0 || port > 65535) {
        return INVALID_SOCKET_VALUE;
    }
    const socket_t s = openSocket(AF_INET6, SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET_VALUE) {
        return INVALID_SOCKET_VALUE;
    }
    const int v6Only = 0;
    sockaddr_in6 any = {};
    any.sin6_family = AF_INET6;
    any.sin6_port = htons(static_cast<uint16_t>(port));
    const bool ok = setExclusiveAddressUse(s) &&
                    setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&v6Only),
                               sizeof v6Only) == 0 &&
                    bind(s, reinterpret_cast<const sockaddr*>(&any), sizeof any) == 0;
    if (!ok) {
        closeSocket(s);
        return INVALID_SOCKET_VALUE;
    }
    return s;
}

}  // namespace kavri
