// The phone link against the simulated phone over loopback: the control
// protocol and the transport factory.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "common/result_codes.h"
#include "tests/support/sim_link_fixture.h"
#include "tools/phone_sim/lib/sim_socket.h"
#include "transport/wifi/socket_routines.h"

namespace kavri::test {
namespace {

using Bytes = std::vector<uint8_t>;

using LinkWithPhone = SimLinkFixture;

TEST_F(LinkWithPhone, RequestsArriveByteForByte) {
    startSilentPhone();
    connectLink();
    EXPECT_EQ(protocolVersion, 3);
    EXPECT_EQ(link.keepAlive(), 0);
    EXPECT_EQ(link.keepAlive(), 0);
    ASSERT_TRUE(phone->waitForKeepAlives(2, WAIT));

    const auto requests = phone->requests();
    ASSERT_EQ(requests.size(), 5u);
    // type 'e' | length 0 0 0 6 | the six fixed bytes
    EXPECT_EQ(requests[0].bytes, (Bytes{0x65, 0, 0, 0, 6, 3, 3, 5, 0, 0, 0}));
    const Bytes port = {0, 0, static_cast<uint8_t>(mediaPort >> 8),
                        static_cast<uint8_t>(mediaPort)};
    // type 'f' | length 0 0 0 6 | fixed 2 2 | media port, big-endian
    EXPECT_EQ(requests[1].bytes,
              (Bytes{0x66, 0, 0, 0, 6, 2, 2, port[0], port[1], port[2], port[3]}));
    // type 'g' | length 0; then 'i' | length 0, once a second
    EXPECT_EQ(requests[2].bytes, (Bytes{0x67, 0, 0, 0, 0}));
    EXPECT_EQ(requests[3].bytes, (Bytes{0x69, 0, 0, 0, 0}));
    EXPECT_EQ(requests[4].bytes, (Bytes{0x69, 0, 0, 0, 0}));
    EXPECT_EQ(phone->clientMediaPort(), mediaPort);
    EXPECT_EQ(link.getMediaPort(), mediaPort);
}

TEST_F(LinkWithPhone, WrongReplyTypeGives10) {
    PhoneSimConfig config;
    config.faults.wrongReplyTo = "e";
    startPhone(config);
    ASSERT_EQ(link.open(), 0);
    int version = -1;
    EXPECT_EQ(link.handshake(&version), PhoneLink::WRONG_REPLY_TYPE);
    EXPECT_EQ(version, -1);
}

TEST_F(LinkWithPhone, StatusesComeBackAndTheHandshakeStillGivesTheVersion) {
    PhoneSimConfig config;
    config.handshakeStatus = 4;
    config.setupStatus = 9;
    config.startStatus = 200;
    config.protocolVersion = 2;
    startPhone(config);
    ASSERT_EQ(link.open(), 0);
    int version = -1;
    EXPECT_EQ(link.handshake(&version), 4);
    EXPECT_EQ(version, 2);
    EXPECT_EQ(link.setupMedia(), 9);
    EXPECT_EQ(link.startMedia(), 200);
}

// The one slow test: the control socket's 5-second wait for a reply.
TEST_F(LinkWithPhone, MissingReplyTimesOutWith1) {
    PhoneSimConfig config;
    config.faults.noReplyTo = "f";
    startPhone(config);
    ASSERT_EQ(link.open(), 0);
    ASSERT_EQ(link.handshake(&protocolVersion), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(link.setupMedia(), PhoneLink::LINK_FAILED);
    // The phone gets its 5 s to answer, and no more.
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
    EXPECT_GE(waited, 4900);
    EXPECT_LT(waited, 10000);
}

TEST_F(LinkWithPhone, ClosedConnectionFailsTheExchangeWith1) {
    PhoneSimConfig config;
    config.faults.closeOn = "g";
    startPhone(config);
    ASSERT_EQ(link.open(), 0);
    ASSERT_EQ(link.handshake(&protocolVersion), 0);
    ASSERT_EQ(link.setupMedia(), 0);
    EXPECT_EQ(link.startMedia(), PhoneLink::LINK_FAILED);
}

TEST_F(LinkWithPhone, NothingListeningGivesMinus5) {
    startSilentPhone();
    const int port = phone->controlPort();
    phone->stop();
    useWifiPhone("127.0.0.1", port, mediaPort);
    EXPECT_EQ(link.open(), RESULT_CANNOT_CONNECT);
}

TEST_F(LinkWithPhone, MediaPortInUseGivesMinus12) {
    startSilentPhone();
    const socket_t taken = bindUdpSocket(mediaPort);
    ASSERT_NE(taken, INVALID_SOCKET_VALUE);
    EXPECT_EQ(link.open(), RESULT_MEDIA_OPEN_FAILED);
    closeSocket(taken);
    EXPECT_TRUE(phone->waitForConnection(1, WAIT));
}

TEST_F(LinkWithPhone, MediaPortZeroTellsThePhoneTheBoundPort) {
    PhoneSimConfig config;
    startPhone(config);
    useWifiPhone("127.0.0.1", phone->controlPort(), 0);
    connectLink();
    EXPECT_GT(link.getMediaPort(), 0);
    EXPECT_EQ(phone->clientMediaPort(), link.getMediaPort());
    EXPECT_EQ(readPacket(), 0);
}

// The voice the phone sends comes out decoded, in both header formats.
class LinkFormats : public SimLinkFixture, public testing::WithParamInterface<int> {};

TEST_P(LinkFormats, GeneratedVoiceDecodesPacketAfterPacket) {
    PhoneSimConfig config;
    config.protocolVersion = GetParam();
    startPhone(config);
    connectLink();
    ASSERT_EQ(protocolVersion, GetParam());
    int loudest = 0;
    uint32_t previous = 0;
    for (int i = 0; i < 25; ++i) {
        ASSERT_EQ(readPacket(), 0) << "packet " << i;
        EXPECT_EQ(frame.countOfSamples, 960);
        if (i > 0) {
            EXPECT_EQ(frame.sequence, previous + 1);
        }
        previous = frame.sequence;
        for (int s = 0; s < frame.countOfSamples; ++s) {
            loudest = std::max(loudest, std::abs(static_cast<int>(frame.data[s])));
        }
    }
    EXPECT_GT(loudest, 1000) << "the decoded voice is silent";
}

INSTANTIATE_TEST_SUITE_P(PlainAndCheckByte, LinkFormats, testing::Values(2, 3));

TEST_F(LinkWithPhone, IPv6LoopbackCarriesControlAndMedia) {
    PhoneSimConfig config;
    startPhone(config, "::1");
    connectLink();
    EXPECT_EQ(readPacket(), 0);
    EXPECT_EQ(readPacket(), 0);
    EXPECT_EQ(frame.countOfSamples, 960);
}

}  // namespace
}  // namespace kavri::test
