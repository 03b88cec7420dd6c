#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <numeric>
#include <thread>
#include <vector>

#include "tests/support/loopback_peer.h"
#include "transport/wifi/wifi_media_stream.h"

namespace kavri {
namespace {

using Bytes = std::vector<uint8_t>;
using test::thrownCode;

Bytes counting(int count, uint8_t first) {
    Bytes b(static_cast<size_t>(count));
    std::iota(b.begin(), b.end(), first);
    return b;
}

class WifiMediaStreamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(stream.open(), 0);
        port = stream.getLocalPort();
        ASSERT_GT(port, 0);
        ASSERT_TRUE(phone.valid());
    }
    void TearDown() override { stream.close(); }

    void send(const Bytes& bytes) { ASSERT_TRUE(phone.sendTo("127.0.0.1", port, bytes)); }
    Bytes read(int n) {
        Bytes b(static_cast<size_t>(n));
        EXPECT_EQ(stream.read(b.data(), n), n);
        return b;
    }
    int readCode(int n) {
        uint8_t scratch[WifiMediaStream::BUFFER_SIZE];
        return thrownCode([&] { stream.read(scratch, n); });
    }

    WifiMediaStream stream{0};
    int port = 0;
    test::UdpSender phone{"127.0.0.1"};
};

TEST_F(WifiMediaStreamTest, PayloadComesFromTheDatagramOfItsHeader) {
    send(counting(10, 0));
    send(counting(10, 100));
    EXPECT_EQ(read(6), counting(6, 0));
    EXPECT_TRUE(stream.hasAvailable(4));
    EXPECT_FALSE(stream.hasAvailable(5));
    EXPECT_EQ(read(4), counting(4, 6));
    EXPECT_FALSE(stream.hasAvailable(1));
    EXPECT_EQ(read(6), counting(6, 100));
}

TEST_F(WifiMediaStreamTest, TwoPacketsInOneDatagram) {
    send(counting(20, 0));
    send(counting(6, 50));
    EXPECT_EQ(read(6), counting(6, 0));
    EXPECT_EQ(read(4), counting(4, 6));
    EXPECT_EQ(read(6), counting(6, 10));
    EXPECT_TRUE(stream.hasAvailable(4));
    EXPECT_EQ(read(4), counting(4, 16));
    EXPECT_EQ(read(6), counting(6, 50));
}

TEST_F(WifiMediaStreamTest, ShortRemainderIsDroppedThenANewDatagramIsRead) {
    send(counting(13, 0));
    send(counting(6, 70));
    read(6);
    read(4);
    EXPECT_EQ(readCode(6), EXCEPTION_INCOMPLETE_PACKET);
    EXPECT_FALSE(stream.hasAvailable(1));
    EXPECT_EQ(read(6), counting(6, 70));
}

TEST_F(WifiMediaStreamTest, ShortDatagramIsJoinedByTheNext) {
    send(counting(4, 0));
    send(Bytes{});  // an empty datagram adds nothing
    send(counting(6, 4));
    EXPECT_EQ(read(6), counting(6, 0));
    EXPECT_TRUE(stream.hasAvailable(4));
    EXPECT_EQ(read(4), counting(4, 6));
}

TEST_F(WifiMediaStreamTest, DatagramsUpToTheFreeRoomFitLargerOnesFail) {
    send(counting(WifiMediaStream::BUFFER_SIZE, 0));
    EXPECT_EQ(read(6), counting(6, 0));
    EXPECT_TRUE(stream.hasAvailable(WifiMediaStream::BUFFER_SIZE - 6));
    stream.reset();
    EXPECT_FALSE(stream.hasAvailable(1));

    send(counting(WifiMediaStream::BUFFER_SIZE + 1, 0));
    EXPECT_EQ(readCode(6), EXCEPTION_RECEIVE_FAILED);

    // 4 bytes held leave room for 1020 more; 1021 do not fit.
    send(counting(4, 0));
    send(counting(WifiMediaStream::BUFFER_SIZE - 3, 0));
    EXPECT_EQ(readCode(6), EXCEPTION_RECEIVE_FAILED);
    EXPECT_EQ(readCode(6), EXCEPTION_INCOMPLETE_PACKET);
    send(counting(6, 9));
    EXPECT_EQ(read(6), counting(6, 9));
}

TEST_F(WifiMediaStreamTest, BadArgumentsTouchNothing) {
    EXPECT_EQ(stream.read(nullptr, 6), -1);
    uint8_t b[1];
    EXPECT_EQ(stream.read(b, 0), 0);
    EXPECT_EQ(readCode(WifiMediaStream::BUFFER_SIZE + 1), EXCEPTION_INCOMPLETE_PACKET);
    send(counting(6, 1));
    EXPECT_EQ(read(6), counting(6, 1));
}

// The media wait is three seconds, and every datagram that arrives starts it
// afresh: a read that got half its bytes after two seconds ends two plus three
// seconds after it began, not three.
TEST_F(WifiMediaStreamTest, WaitsThreeSecondsAfreshForEveryDatagram) {
    using Clock = std::chrono::steady_clock;
    const auto seconds = [](Clock::time_point since) {
        return std::chrono::duration<double>(Clock::now() - since).count();
    };
    auto start = Clock::now();
    EXPECT_EQ(readCode(6), EXCEPTION_TIMEOUT);
    const double silent = seconds(start);
    EXPECT_GT(silent, 2.9);
    EXPECT_LT(silent, 4.5);

    start = Clock::now();
    std::thread late([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(2000));
        phone.sendTo("127.0.0.1", port, counting(6, 0));
    });
    EXPECT_EQ(readCode(12), EXCEPTION_TIMEOUT);
    const double restarted = seconds(start);
    late.join();
    EXPECT_GT(restarted, 4.9);
    EXPECT_LT(restarted, 7.5);
}

TEST(WifiMediaStream, CloseReportsWhetherItWasOpen) {
    WifiMediaStream never(0);
    EXPECT_EQ(never.close(), -1);
    EXPECT_EQ(never.getLocalPort(), -1);
    uint8_t b[6];
    EXPECT_EQ(thrownCode([&] { never.read(b, 6); }), EXCEPTION_NOT_OPEN);

    WifiMediaStream s(0);
    ASSERT_EQ(s.open(), 0);
    EXPECT_EQ(s.close(), 0);
    EXPECT_EQ(s.close(), -1);
}

TEST(WifiMediaStream, SecondStreamOnTheSamePortFailsToOpen) {
    WifiMediaStream first(0);
    ASSERT_EQ(first.open(), 0);
    WifiMediaStream second(first.getLocalPort());
    EXPECT_EQ(second.open(), -1);
    EXPECT_EQ(second.close(), -1);
    const int port = first.getLocalPort();
    first.close();
    WifiMediaStream third(port);
    EXPECT_EQ(third.open(), 0);
    third.close();
}

// The phone is at 127.0.0.1; someone else on the network at 127.0.0.2 (or ::1).
class SenderFilterTest : public WifiMediaStreamTest {
  protected:
    void SetUp() override {
        WifiMediaStreamTest::SetUp();
        ASSERT_TRUE(stranger.valid()) << "no second loopback address to send from";
        ASSERT_TRUE(test::makeAddress("127.0.0.1", 8125, &phoneAddress));
    }
    void strangerSends(const Bytes& bytes) { ASSERT_TRUE(stranger.sendTo(port, bytes)); }

    test::Stranger stranger = test::findStranger();
    sockaddr_storage phoneAddress = {};
};

TEST_F(SenderFilterTest, EverySenderIsTakenUntilTheFilterIsSet) {
    strangerSends(counting(6, 1));
    EXPECT_EQ(read(6), counting(6, 1));
    stream.allowOnlySender(phoneAddress);
    strangerSends(counting(6, 10));
    strangerSends(counting(WifiMediaStream::BUFFER_SIZE + 100, 0));  // not even a failure
    send(counting(6, 20));
    EXPECT_EQ(read(6), counting(6, 20));
}

TEST_F(SenderFilterTest, StrangersDoNotInterruptAShortDatagram) {
    stream.allowOnlySender(phoneAddress);
    send(counting(4, 0));
    strangerSends(counting(6, 100));
    send(counting(6, 4));
    EXPECT_EQ(read(6), counting(6, 0));
    EXPECT_EQ(read(4), counting(4, 6));
}

TEST_F(SenderFilterTest, MappedAndPlainIpv4AreTheSameSender) {
    sockaddr_storage mapped;
    ASSERT_TRUE(test::makeAddress("::ffff:127.0.0.1", 0, &mapped));
    stream.allowOnlySender(mapped);
    strangerSends(counting(6, 100));
    send(counting(6, 1));
    EXPECT_EQ(read(6), counting(6, 1));
}

TEST_F(SenderFilterTest, StrangersCannotStretchTheWait) {
    stream.allowOnlySender(phoneAddress);
    std::atomic<bool> done{false};
    std::thread flood([&] {
        while (!done) {
            stranger.sendTo(port, counting(6, 0));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const int code = readCode(6);
    done = true;
    flood.join();
    EXPECT_EQ(code, EXCEPTION_TIMEOUT);
}

// The phone reached over IPv6 sends its media from another address of its
// network. Loopback offers only ::1, so the phone's control address is put
// beside it: ::2 shares its /64, 2001:db8::1 does not.
class Ipv6SenderFilterTest : public WifiMediaStreamTest {
  protected:
    void SetUp() override {
        WifiMediaStreamTest::SetUp();
        if (!v6.valid()) {
            GTEST_SKIP() << "no IPv6 loopback";
        }
    }
    void allowPhoneAt(const char* controlAddress) {
        sockaddr_storage phoneAddress = {};
        ASSERT_TRUE(test::makeAddress(controlAddress, 8125, &phoneAddress));
        stream.allowOnlySender(phoneAddress);
    }

    test::UdpSender v6{"::1"};
};

TEST_F(Ipv6SenderFilterTest, AnotherAddressOfThePhonesNetworkIsTaken) {
    allowPhoneAt("::2");
    ASSERT_TRUE(v6.sendTo("::1", port, counting(6, 30)));
    EXPECT_EQ(read(6), counting(6, 30));
}

TEST_F(Ipv6SenderFilterTest, AnAddressOutsideThePrefixIsStillDropped) {
    allowPhoneAt("2001:db8::1");
    ASSERT_TRUE(v6.sendTo("::1", port, counting(6, 30)));
    EXPECT_EQ(readCode(6), EXCEPTION_TIMEOUT);
}

}  // namespace
}  // namespace kavri
