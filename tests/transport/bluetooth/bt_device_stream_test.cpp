#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>

#include "platform/socket_compat.h"
#include "tests/support/loopback_peer.h"
#include "tests/support/socket_stream_checks.h"
#include "transport/bluetooth/bluetooth_media_stream.h"
#include "transport/bluetooth/bt_device_stream.h"
#include "transport/input_control_stream.h"
#include "transport/wifi/socket_routines.h"

namespace kavri {
namespace {

// A connected loopback TCP pair standing in for the RFCOMM connection: the
// stream's reads and writes only need a connected byte socket. The stream
// adopts local; the test plays the phone on peer.
struct SocketPair {
    test::TcpListener listener;
    socket_t local = connectTcp("127.0.0.1", listener.port());
    test::Socket peer = listener.accept();

    SocketPair() {
        EXPECT_NE(local, INVALID_SOCKET_VALUE);
        EXPECT_TRUE(peer.valid());
    }
    void send(const char* text) {
        ASSERT_TRUE(peer.sendAll(text, static_cast<int>(std::strlen(text))));
    }
};

const uint8_t ADDRESS[6] = {1, 2, 3, 4, 5, 6};

int thrownBy(void (*operation)(BtDeviceStream&), BtDeviceStream& stream) {
    try {
        operation(stream);
    } catch (int code) {
        return code;
    }
    return -1;
}

TEST(BtDeviceStream, ClosedStreamThrowsNotOpenWhateverTheCount) {
    BtDeviceStream stream(ADDRESS);
    EXPECT_FALSE(stream.isOpen());
    EXPECT_EQ(thrownBy(
                  [](BtDeviceStream& s) {
                      uint8_t b;
                      s.read(&b, 0);
                  },
                  stream),
              EXCEPTION_NOT_OPEN);
    EXPECT_EQ(thrownBy(
                  [](BtDeviceStream& s) {
                      uint8_t b = 0;
                      s.write(&b, 1);
                  },
                  stream),
              EXCEPTION_NOT_OPEN);
    stream.close();
    EXPECT_EQ(stream.device().address[0], 1);
    EXPECT_EQ(stream.device().address[5], 6);
}

TEST(BtDeviceStream, ReadsExactlyTheCountAcrossPieces) {
    SocketPair pair;
    BtDeviceStream stream(ADDRESS);
    stream.adopt(pair.local);
    pair.send("ab");
    pair.send("cdef");
    uint8_t got[6] = {};
    stream.read(got, 0);
    stream.read(got, 5);
    EXPECT_EQ(std::memcmp(got, "abcde", 5), 0);
    EXPECT_EQ(stream.read1(), 'f');
}

TEST(BtDeviceStream, WritesEverythingToThePeer) {
    SocketPair pair;
    BtDeviceStream stream(ADDRESS);
    stream.adopt(pair.local);
    stream.write1(0x69);
    stream.write4(0);
    uint8_t got[5] = {};
    int have = 0;
    while (have < 5) {
        ASSERT_EQ(waitReadable(pair.peer.get(), 5000), 1);
        const int n = receiveSome(pair.peer.get(), got + have, 5 - have);
        ASSERT_GT(n, 0);
        have += n;
    }
    const uint8_t keepAlive[5] = {0x69, 0, 0, 0, 0};  // type 'i' | length 0
    EXPECT_EQ(std::memcmp(got, keepAlive, 5), 0);
}

TEST(BtDeviceStream, PeerClosingFailsTheReadButLeavesTheStreamOpen) {
    SocketPair pair;
    BtDeviceStream stream(ADDRESS);
    stream.adopt(pair.local);
    pair.peer.reset();
    EXPECT_EQ(thrownBy([](BtDeviceStream& s) { s.read1(); }, stream), EXCEPTION_RECEIVE_FAILED);
    EXPECT_TRUE(stream.isOpen());
}

TEST(BtDeviceStream, FailedSendClosesTheStream) {
    SocketPair pair;
    BtDeviceStream stream(ADDRESS);
    stream.adopt(pair.local);
    // Sending on a socket shut for sending (how 1: SD_SEND, SHUT_WR) fails
    // at once on both systems.
    ::shutdown(pair.local, 1);
    EXPECT_EQ(thrownBy([](BtDeviceStream& s) { s.write1(1); }, stream), EXCEPTION_SEND_FAILED);
    EXPECT_FALSE(stream.isOpen());
    EXPECT_EQ(thrownBy([](BtDeviceStream& s) { s.write1(1); }, stream), EXCEPTION_NOT_OPEN);
}

TEST(BtDeviceStream, FailedWriteWhileAnotherThreadReadsWakesTheReader) {
    // The keep-alive's write fails while the receive thread waits in a read:
    // the reader must end with a receive failure at once, and the handle
    // must not be closed under it (ThreadSanitizer).
    SocketPair pair;
    BtDeviceStream stream(ADDRESS);
    stream.adopt(pair.local);
    const test::WriteFailureWhileReading outcome = test::failWriteWhileReading(stream, pair.local);
    EXPECT_EQ(outcome.writeCode, EXCEPTION_SEND_FAILED);
    EXPECT_EQ(outcome.readCode, EXCEPTION_RECEIVE_FAILED);
    EXPECT_LT(outcome.readEndedAfter.count(), 2000);
    EXPECT_FALSE(stream.isOpen());
}

TEST(BtDeviceStream, SilentPhoneTimesOutAfterFiveSeconds) {
    SocketPair pair;
    BtDeviceStream stream(ADDRESS);
    stream.adopt(pair.local);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(thrownBy([](BtDeviceStream& s) { s.read1(); }, stream), EXCEPTION_TIMEOUT);
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    EXPECT_GE(waited.count(), 4900);
    EXPECT_LT(waited.count(), 10000);
    EXPECT_TRUE(stream.isOpen());
}

TEST(BluetoothMediaStream, NullBufferGivesMinus1WithoutReading) {
    const uint8_t bytes[] = {7, 8, 9};
    InputControlStream control(bytes, 3);
    BluetoothMediaStream media(&control);
    EXPECT_EQ(media.read(nullptr, 2), -1);
    EXPECT_EQ(control.remaining(), 3);
    uint8_t got[3] = {};
    EXPECT_EQ(media.read(got, 3), 3);
    EXPECT_EQ(got[2], 9);
    EXPECT_THROW(media.read(got, 1), int);
    EXPECT_TRUE(media.hasAvailable(5000));
    EXPECT_EQ(media.open(), 0);
    EXPECT_EQ(media.close(), 0);
}

}  // namespace
}  // namespace kavri
