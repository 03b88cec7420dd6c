#include "platform/socket_compat.h"

#include <atomic>
#include <cstring>

namespace kavri {

namespace {

std::atomic<bool> g_socketsStarted{false};

// The network part of an IPv6 address: its first 64 bits.
constexpr int IPV6_PREFIX_BYTES = 8;

bool startOnce(std::atomic<bool>& flag, bool (*systemStart)()) {
    if (flag.load()) {
        return true;
    }
    if (!systemStart()) {
        return false;
    }
    flag.store(true);
    return true;
}

// The IPv4 address an address stands for, if it is IPv4 or IPv4-mapped IPv6.
bool ipv4Of(const sockaddr_storage& a, uint8_t out[4]) {
    if (a.ss_family == AF_INET) {
        std::memcpy(out, &reinterpret_cast<const sockaddr_in&>(a).sin_addr, 4);
        return true;
    }
    if (a.ss_family != AF_INET6) {
        return false;
    }
    static const uint8_t kMappedPrefix[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    const auto* bytes =
        reinterpret_cast<const uint8_t*>(&reinterpret_cast<const sockaddr_in6&>(a).sin6_addr);
    if (std::memcmp(bytes, kMappedPrefix, sizeof kMappedPrefix) != 0) {
        return false;
    }
    std::memcpy(out, bytes + 12, 4);
    return true;
}

}  // namespace

bool startSockets() {
    return startOnce(g_socketsStarted, systemStartSockets);
}

bool socketsStarted() {
    return g_socketsStarted.load();
}

bool startSocketsWith(std::atomic<bool>& flag, bool (*systemStart)()) {
    return startOnce(flag, systemStart);
}

bool sameHostAddress(const sockaddr_storage& a, const sockaddr_storage& b) {
    uint8_t a4[4], b4[4];
    const bool aIs4 = ipv4Of(a, a4);
    const bool bIs4 = ipv4Of(b, b4);
    if (aIs4 || bIs4) {
        return aIs4 && bIs4 && std::memcmp(a4, b4, 4) == 0;
    }
    if (a.ss_family != AF_INET6 || b.ss_family != AF_INET6) {
        return false;
    }
    const auto& a6 = reinterpret_cast<const sockaddr_in6&>(a);
    const auto& b6 = reinterpret_cast<const sockaddr_in6&>(b);
    return std::memcmp(&a6.sin6_addr, &b6.sin6_addr, sizeof a6.sin6_addr) == 0;
}

bool sameSenderNetwork(const sockaddr_storage& from, const sockaddr_storage& phone) {
    uint8_t from4[4], phone4[4];
    const bool fromIs4 = ipv4Of(from, from4);
    const bool phoneIs4 = ipv4Of(phone, phone4);
    // Checked first: the mapped range lies inside ::/64.
    if (fromIs4 || phoneIs4) {
        return fromIs4 && phoneIs4 && std::memcmp(from4, phone4, 4) == 0;
    }
    if (from.ss_family != AF_INET6 || phone.ss_family != AF_INET6) {
        return false;
    }
    const auto& from6 = reinterpret_cast<const sockaddr_in6&>(from);
    const auto& phone6 = reinterpret_cast<const sockaddr_in6&>(phone);
    const auto* fromBytes = reinterpret_cast<const uint8_t*>(&from6.sin6_addr);
    const auto* phoneBytes = reinterpret_cast<const uint8_t*>(&phone6.sin6_addr);
    if (std::memcmp(fromBytes, phoneBytes, IPV6_PREFIX_BYTES) != 0) {
        return false;
    }
    // fe80::/10: the same prefix exists on every link, the scope tells them apart.
    const bool linkLocal = phoneBytes[0] == 0xfe && (phoneBytes[1] & 0xc0) == 0x80;
    return !linkLocal || from6.sin6_scope_id == phone6.sin6_scope_id;
}

int localPort(socket_t s) {
    if (s == INVALID_SOCKET_VALUE) {
        return -1;
    }
    sockaddr_storage addr = {};
    socklen_t length = sizeof addr;
    if (getsockname(s, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
        return -1;
    }
    if (addr.ss_family == AF_INET) {
        return ntohs(reinterpret_cast<const sockaddr_in&>(addr).sin_port);
    }
    if (addr.ss_family == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6&>(addr).sin6_port);
    }
    return -1;
}

}  // namespace kavri
