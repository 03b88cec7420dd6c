#include <gtest/gtest.h>

#include <atomic>

#include "tests/support/loopback_peer.h"
#include "tests/support/socket_sharing.h"
#include "transport/wifi/socket_routines.h"

namespace kavri {
namespace {

int g_startCalls = 0;
bool g_startSucceeds = false;
bool fakeStart() {
    ++g_startCalls;
    return g_startSucceeds;
}

TEST(SocketStartup, FailedStartLeavesTheFlagClearAndIsRetried) {
    std::atomic<bool> flag{false};
    g_startCalls = 0;
    g_startSucceeds = false;
    EXPECT_FALSE(startSocketsWith(flag, fakeStart));
    EXPECT_FALSE(flag.load());
    EXPECT_FALSE(startSocketsWith(flag, fakeStart));
    EXPECT_EQ(g_startCalls, 2);

    g_startSucceeds = true;
    EXPECT_TRUE(startSocketsWith(flag, fakeStart));
    EXPECT_TRUE(flag.load());
    EXPECT_TRUE(startSocketsWith(flag, fakeStart));
    EXPECT_EQ(g_startCalls, 3);  // started once, never again

    EXPECT_TRUE(startSockets());
    EXPECT_TRUE(socketsStarted());
}

TEST(SameHostAddress, MappedIpv4EqualsPlainIpv4AndPortsDoNotMatter) {
    sockaddr_storage v4, mapped, otherV4, v6, otherV6;
    ASSERT_TRUE(test::makeAddress("127.0.0.1", 1000, &v4));
    ASSERT_TRUE(test::makeAddress("::ffff:127.0.0.1", 2000, &mapped));
    ASSERT_TRUE(test::makeAddress("127.0.0.2", 1000, &otherV4));
    ASSERT_TRUE(test::makeAddress("::1", 1000, &v6));
    ASSERT_TRUE(test::makeAddress("fe80::1", 1000, &otherV6));
    EXPECT_TRUE(sameHostAddress(v4, mapped));
    EXPECT_TRUE(sameHostAddress(mapped, v4));
    EXPECT_TRUE(sameHostAddress(v6, v6));
    EXPECT_FALSE(sameHostAddress(v4, otherV4));
    EXPECT_FALSE(sameHostAddress(mapped, otherV4));
    EXPECT_FALSE(sameHostAddress(v6, otherV6));
    // ::1 is not 127.0.0.1, and an address of no known family matches nothing.
    EXPECT_FALSE(sameHostAddress(v4, v6));
    sockaddr_storage none = {};
    EXPECT_FALSE(sameHostAddress(none, none));
}

TEST(ConnectTcp, ConnectsOrReturnsInvalid) {
    test::TcpListener listener;
    ASSERT_TRUE(listener.valid());
    test::Socket s(connectTcp("127.0.0.1", listener.port()));
    EXPECT_TRUE(s.valid());
    EXPECT_TRUE(listener.accept().valid());
    EXPECT_EQ(connectTcp("127.0.0.1", test::unusedTcpPort()), INVALID_SOCKET_VALUE);
    EXPECT_EQ(connectTcp("no..such.invalid", 80), INVALID_SOCKET_VALUE);
}

// A dual-stack socket of another program that asks to share the port.
bool anotherProgramBinds(int port) {
    test::Socket thief(openSocket(AF_INET6, SOCK_DGRAM, 0));
    if (!thief.valid() || !test::askToShareAddress(thief.get())) {
        ADD_FAILURE() << "cannot prepare the second socket";
        return false;
    }
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_port = htons(static_cast<uint16_t>(port));
    return ::bind(thief.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

TEST(BindUdpSocket, BindsThePortExclusively) {
    test::Socket first(bindUdpSocket(0));
    ASSERT_TRUE(first.valid());
    const int port = localPort(first.get());
    ASSERT_GT(port, 0);
    EXPECT_TRUE(test::keepsPortExclusively(first.get()));
    EXPECT_EQ(bindUdpSocket(port), INVALID_SOCKET_VALUE);
    // Not even a socket that asks to share gets the port (on Windows it
    // would without the exclusive option).
    EXPECT_FALSE(anotherProgramBinds(port));
    first.reset();
    test::Socket again(bindUdpSocket(port));
    EXPECT_TRUE(again.valid());
}

TEST(BindUdpSocket, RefusesPortsOutsideSixteenBits) {
    EXPECT_EQ(bindUdpSocket(-1), INVALID_SOCKET_VALUE);
    EXPECT_EQ(bindUdpSocket(65536), INVALID_SOCKET_VALUE);
}

TEST(BindUdpSocket, OneSocketTakesIpv4AndIpv6) {
    test::Socket s(bindUdpSocket(0));
    ASSERT_TRUE(s.valid());
    const int port = localPort(s.get());
    test::UdpSender v4("127.0.0.1");
    ASSERT_TRUE(v4.sendTo("127.0.0.1", port, "four", 4));
    char got[8];
    ASSERT_EQ(waitReadable(s.get(), 5000), 1);
    EXPECT_EQ(receiveDatagram(s.get(), got, sizeof got, nullptr), 4);

    test::UdpSender v6("::1");
    if (!v6.valid()) {
        GTEST_SKIP() << "no IPv6 loopback";
    }
    ASSERT_TRUE(v6.sendTo("::1", port, "six", 3));
    ASSERT_EQ(waitReadable(s.get(), 5000), 1);
    EXPECT_EQ(receiveDatagram(s.get(), got, sizeof got, nullptr), 3);
}

TEST(ReceiveDatagram, OversizedDatagramFailsAndNamesItsSender) {
    test::Socket s(bindUdpSocket(0));
    ASSERT_TRUE(s.valid());
    test::Stranger sender = test::findStranger();
    ASSERT_TRUE(sender.valid());
    const std::vector<uint8_t> ten(10, 'x');
    ASSERT_TRUE(sender.sendTo(localPort(s.get()), ten));
    char got[9];
    sockaddr_storage from = {};
    ASSERT_EQ(waitReadable(s.get(), 5000), 1);
    EXPECT_EQ(receiveDatagram(s.get(), got, sizeof got, &from), -1);
    sockaddr_storage expected;
    ASSERT_TRUE(test::makeAddress(sender.address.c_str(), 0, &expected));
    EXPECT_TRUE(sameHostAddress(from, expected));
}

}  // namespace
}  // namespace kavri
