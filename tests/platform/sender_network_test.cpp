#include <gtest/gtest.h>

#include <cstring>

#include "platform/socket_compat.h"

namespace kavri {
namespace {

// A numeric address, with an IPv6 scope where given.
sockaddr_storage address(const char* numeric, uint32_t scope = 0) {
    EXPECT_TRUE(startSockets());
    sockaddr_storage out = {};
    addrinfo hints = {};
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* found = nullptr;
    if (getaddrinfo(numeric, nullptr, &hints, &found) != 0 || found == nullptr) {
        ADD_FAILURE() << "not an address: " << numeric;
        return out;
    }
    std::memcpy(&out, found->ai_addr, found->ai_addrlen);
    freeaddrinfo(found);
    if (out.ss_family == AF_INET6) {
        reinterpret_cast<sockaddr_in6&>(out).sin6_scope_id = scope;
    }
    return out;
}

bool accepted(const char* from, const char* phone, uint32_t fromScope = 0,
              uint32_t phoneScope = 0) {
    return sameSenderNetwork(address(from, fromScope), address(phone, phoneScope));
}

TEST(SenderNetwork, Ipv4AndMappedIpv4MatchOnlyTheExactAddress) {
    EXPECT_TRUE(accepted("192.168.1.23", "192.168.1.23"));
    EXPECT_TRUE(accepted("::ffff:192.168.1.23", "192.168.1.23"));
    EXPECT_TRUE(accepted("192.168.1.23", "::ffff:192.168.1.23"));
    EXPECT_FALSE(accepted("192.168.1.24", "192.168.1.23"));
    EXPECT_FALSE(accepted("::ffff:192.168.1.24", "::ffff:192.168.1.23"));
    // A whole /24 is not the phone.
    EXPECT_FALSE(accepted("192.168.1.1", "192.168.1.23"));
}

TEST(SenderNetwork, Ipv6MatchesByTheSlash64OfTheAddressReached) {
    // The phone's temporary address on the same network.
    EXPECT_TRUE(accepted("2001:db8:1:2:a1b2:c3d4:e5f6:789", "2001:db8:1:2::17"));
    EXPECT_TRUE(accepted("2001:db8:1:2::17", "2001:db8:1:2::17"));
    // Outside the prefix, by one bit of the last prefix byte or far away.
    EXPECT_FALSE(accepted("2001:db8:1:3::17", "2001:db8:1:2::17"));
    EXPECT_FALSE(accepted("2001:db8:1:102::17", "2001:db8:1:2::17"));
    EXPECT_FALSE(accepted("2001:db9:1:2::17", "2001:db8:1:2::17"));
}

TEST(SenderNetwork, LinkLocalNeedsTheSameScopeToo) {
    EXPECT_TRUE(accepted("fe80::1234:5678", "fe80::17", 3, 3));
    EXPECT_FALSE(accepted("fe80::1234:5678", "fe80::17", 4, 3));
    EXPECT_FALSE(accepted("fe80:0:0:1::17", "fe80::17", 3, 3));
    // Global addresses carry no scope worth comparing.
    EXPECT_TRUE(accepted("2001:db8:1:2::18", "2001:db8:1:2::17", 0, 5));
}

TEST(SenderNetwork, FamiliesNeverMix) {
    // ::/64 holds the IPv4-mapped range; an IPv6 phone there still does not
    // accept an IPv4 sender, nor the other way round.
    EXPECT_FALSE(accepted("::ffff:127.0.0.1", "::1"));
    EXPECT_FALSE(accepted("127.0.0.1", "::1"));
    EXPECT_FALSE(accepted("::1", "127.0.0.1"));
    EXPECT_TRUE(accepted("::2", "::1"));
    sockaddr_storage none = {};
    EXPECT_FALSE(sameSenderNetwork(none, none));
    EXPECT_FALSE(sameSenderNetwork(none, address("::1")));
}

}  // namespace
}  // namespace kavri
