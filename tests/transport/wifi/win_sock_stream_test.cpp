#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/result_codes.h"
#include "tests/support/loopback_peer.h"
#include "tests/support/socket_stream_checks.h"
#include "transport/wifi/socket_routines.h"
#include "transport/wifi/win_sock_stream.h"

namespace kavri {
namespace {

using test::Socket;
using test::TcpListener;
using test::thrownCode;

// A stream connected to a loopback listener, with the accepted peer socket.
struct Connection {
    TcpListener listener;
    WinSockStream stream{"127.0.0.1", listener.port()};
    Socket peer;

    Connection() {
        if (listener.valid() && stream.open() == 0) {
            peer = listener.accept();
        }
    }
};

TEST(WinSockStream, ReadsExactlyAcrossSeveralSendsAndWritesAll) {
    Connection c;
    ASSERT_TRUE(c.peer.valid());
    std::thread sender([&] {
        // Pieces apart in time, so the read has to put them together.
        for (const char* piece : {"ab", "cde", "fghij"}) {
            c.peer.sendAll(piece, static_cast<int>(std::strlen(piece)));
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
    });
    uint8_t got[10] = {};
    c.stream.read(got, 10);
    sender.join();
    EXPECT_EQ(std::string(got, got + 10), "abcdefghij");

    std::vector<uint8_t> big(100000);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<uint8_t>(i * 7);
    std::vector<uint8_t> echoed;
    std::thread receiver([&] { echoed = c.peer.receive(static_cast<int>(big.size())); });
    c.stream.write(big.data(), static_cast<int>(big.size()));
    receiver.join();
    EXPECT_EQ(echoed, big);
}

TEST(WinSockStream, BigEndianHelpersTravelAsOneWrite) {
    Connection c;
    ASSERT_TRUE(c.peer.valid());
    c.stream.write1(0x65);
    c.stream.write4(0x00000006);
    // type 'e' | length 6, one write each
    EXPECT_EQ(c.peer.receive(5), (std::vector<uint8_t>{0x65, 0, 0, 0, 6}));
    // type 'e' | length 0 0 0 2 | two bytes C0 00 read as one 16-bit value
    const uint8_t reply[] = {0x65, 0x00, 0x00, 0x00, 0x02, 0xC0, 0x00};
    c.peer.sendAll(reply, sizeof reply);
    EXPECT_EQ(c.stream.read1(), 0x65);
    EXPECT_EQ(c.stream.read4(), 2u);
    EXPECT_EQ(c.stream.read2(), 0xC000);
}

using Clock = std::chrono::steady_clock;

long long millisSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(WinSockStream, SilentPeerTimesOutAfterFiveSecondsAndTheStreamStaysUsable) {
    Connection c;
    ASSERT_TRUE(c.peer.valid());
    uint8_t byte = 0;
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(thrownCode([&] { c.stream.read(&byte, 1); }), EXCEPTION_TIMEOUT);
    // The phone's reply gets its 5 s, and no more.
    const long long waited = millisSince(start);
    EXPECT_GE(waited, 4900);
    EXPECT_LT(waited, 10000);
    EXPECT_TRUE(c.stream.isOpen());
    c.peer.sendAll("z", 1);
    c.stream.read(&byte, 1);
    EXPECT_EQ(byte, 'z');
}

TEST(WinSockStream, TheWaitRestartsForEveryPiece) {
    Connection c;
    ASSERT_TRUE(c.peer.valid());
    // Three bytes 3 s apart: 6 s in all, but never 5 s without data.
    std::thread sender([&] {
        for (const char* piece : {"a", "b", "c"}) {
            c.peer.sendAll(piece, 1);
            if (*piece != 'c') {
                std::this_thread::sleep_for(std::chrono::seconds(3));
            }
        }
    });
    uint8_t got[3] = {};
    const Clock::time_point start = Clock::now();
    const int code = thrownCode([&] { c.stream.read(got, 3); });
    const long long waited = millisSince(start);
    sender.join();
    EXPECT_EQ(code, -1);
    EXPECT_EQ(std::string(got, got + 3), "abc");
    EXPECT_GE(waited, 5500);
}

TEST(WinSockStream, PeerCloseFailsTheReadButLeavesTheStreamOpen) {
    Connection c;
    ASSERT_TRUE(c.peer.valid());
    c.peer.sendAll("ab", 2);
    c.peer.reset();
    uint8_t got[4];
    EXPECT_EQ(thrownCode([&] { c.stream.read(got, 4); }), EXCEPTION_RECEIVE_FAILED);
    EXPECT_TRUE(c.stream.isOpen());
}

TEST(WinSockStream, FailedSendClosesTheStream) {
    // A reset, and an orderly close, which fails only the second send after
    // it and would raise SIGPIPE on Linux if the send allowed it.
    for (bool reset : {true, false}) {
        SCOPED_TRACE(reset ? "peer reset" : "peer closed");
        Connection c;
        ASSERT_TRUE(c.peer.valid());
        if (reset) {
            c.peer.abort();
        } else {
            c.peer.reset();
        }
        uint8_t block[1024] = {};
        int code = -1;
        for (int i = 0; i < 100 && code == -1; ++i) {
            code = thrownCode([&] { c.stream.write(block, sizeof block); });
        }
        EXPECT_EQ(code, EXCEPTION_SEND_FAILED);
        EXPECT_FALSE(c.stream.isOpen());
        EXPECT_EQ(thrownCode([&] { c.stream.write(block, 1); }), EXCEPTION_NOT_OPEN);
        EXPECT_EQ(thrownCode([&] { c.stream.read(block, 1); }), EXCEPTION_NOT_OPEN);
    }
}

TEST(WinSockStream, FailedSendWhileAnotherThreadReadsWakesTheReader) {
    TcpListener listener;
    ASSERT_TRUE(listener.valid());
    const socket_t local = connectTcp("127.0.0.1", listener.port());
    ASSERT_NE(local, INVALID_SOCKET_VALUE);
    Socket peer = listener.accept();
    ASSERT_TRUE(peer.valid());
    WinSockStream stream("127.0.0.1", listener.port());
    stream.adopt(local);
    const test::WriteFailureWhileReading outcome = test::failWriteWhileReading(stream, local);
    EXPECT_EQ(outcome.writeCode, EXCEPTION_SEND_FAILED);
    // Woken by the retired socket, not by the 5 s time-out.
    EXPECT_EQ(outcome.readCode, EXCEPTION_RECEIVE_FAILED);
    EXPECT_LT(outcome.readEndedAfter.count(), 2000);
    EXPECT_FALSE(stream.isOpen());
}

TEST(WinSockStream, ClosedStreamThrowsNotOpenWhateverTheCount) {
    TcpListener listener;
    WinSockStream never("127.0.0.1", listener.port());
    uint8_t buffer[4] = {};
    for (int count : {0, -1, 4}) {
        EXPECT_EQ(thrownCode([&] { never.read(buffer, count); }), EXCEPTION_NOT_OPEN) << count;
        EXPECT_EQ(thrownCode([&] { never.write(buffer, count); }), EXCEPTION_NOT_OPEN) << count;
    }
    never.close();  // closing a stream that is not open does nothing

    WinSockStream closed("127.0.0.1", listener.port());
    ASSERT_EQ(closed.open(), 0);
    closed.close();
    EXPECT_EQ(thrownCode([&] { closed.read(buffer, 0); }), EXCEPTION_NOT_OPEN);
    EXPECT_EQ(thrownCode([&] { closed.write(buffer, 4); }), EXCEPTION_NOT_OPEN);
}

TEST(WinSockStream, CountOfZeroOrLessReturnsAtOnce) {
    Connection c;
    ASSERT_TRUE(c.peer.valid());
    c.stream.read(nullptr, 0);
    c.stream.read(nullptr, -3);
    c.stream.write(nullptr, 0);
    c.stream.write(nullptr, -3);
    // Nothing reached the peer and the stream still works.
    c.stream.write1(7);
    EXPECT_EQ(c.peer.receive(1), std::vector<uint8_t>{7});
}

TEST(WinSockStream, CloseAndDestructionEndTheConnection) {
    TcpListener listener;
    Socket first, second;
    {
        WinSockStream stream("127.0.0.1", listener.port());
        ASSERT_EQ(stream.open(), 0);
        first = listener.accept();
        stream.close();
        EXPECT_TRUE(first.seesEndOfStream());
        ASSERT_EQ(stream.open(), 0);
        second = listener.accept();
    }
    EXPECT_TRUE(second.seesEndOfStream());
}

TEST(WinSockStream, OpenFailuresCannotConnect) {
    WinSockStream refused("127.0.0.1", test::unusedTcpPort());
    EXPECT_EQ(refused.open(), RESULT_CANNOT_CONNECT);
    EXPECT_FALSE(refused.isOpen());
    // An empty label makes the resolver refuse the name without asking a server.
    WinSockStream unresolvable("no..such.invalid", 8125);
    EXPECT_EQ(unresolvable.open(), RESULT_CANNOT_CONNECT);
    WinSockStream noHost(nullptr, 8125);
    EXPECT_EQ(noHost.open(), RESULT_CANNOT_CONNECT);
}

TEST(WinSockStream, PeerAddressIsTheAddressReached) {
    Connection c;
    ASSERT_TRUE(c.peer.valid());
    sockaddr_storage peer = {};
    ASSERT_TRUE(c.stream.getPeerAddress(&peer));
    sockaddr_storage expected;
    ASSERT_TRUE(test::makeAddress("127.0.0.1", c.listener.port(), &expected));
    EXPECT_TRUE(sameHostAddress(peer, expected));
    EXPECT_EQ(peer.ss_family, AF_INET);
    EXPECT_EQ(ntohs(reinterpret_cast<sockaddr_in&>(peer).sin_port), c.listener.port());

    c.stream.close();
    EXPECT_FALSE(c.stream.getPeerAddress(&peer));
}

TEST(WinSockStream, ConnectsOverIpv6) {
    TcpListener listener("::1");
    if (!listener.valid()) {
        GTEST_SKIP() << "no IPv6 loopback";
    }
    WinSockStream stream("::1", listener.port());
    ASSERT_EQ(stream.open(), 0);
    Socket peer = listener.accept();
    ASSERT_TRUE(peer.valid());
    peer.sendAll("ok", 2);
    uint8_t got[2];
    stream.read(got, 2);
    EXPECT_EQ(got[0], 'o');
    sockaddr_storage address;
    ASSERT_TRUE(stream.getPeerAddress(&address));
    EXPECT_EQ(address.ss_family, AF_INET6);
}

}  // namespace
}  // namespace kavri
