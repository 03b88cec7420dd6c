// The phone link's packet readers against the simulated phone's faults, over
// loopback datagrams and over a TCP stream.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/support/sim_link_fixture.h"
#include "transport/shared_media_stream.h"
#include "transport/wifi/win_sock_stream.h"

namespace kavri::test {
namespace {

using Bytes = std::vector<uint8_t>;

PhoneSimConfig withFaults(const SimFaults& faults, int version = 3) {
    PhoneSimConfig config;
    config.faults = faults;
    config.protocolVersion = version;
    return config;
}

class LinkMedia : public SimLinkFixture {
  protected:
    bool send(const Bytes& datagram) {
        return phone->sendRawMedia(datagram.data(), static_cast<int>(datagram.size()));
    }
    static Bytes joined(Bytes a, const Bytes& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }
    VoicePackets voice;
};

TEST_F(LinkMedia, SeveralPacketsInOneDatagramAllDecode) {
    SimFaults faults;
    faults.packetsPerDatagram = 3;
    startPhone(withFaults(faults));
    connectLink();
    for (int i = 0; i < 9; ++i) {
        ASSERT_EQ(readPacket(), 0) << "packet " << i;
        EXPECT_EQ(frame.sequence, static_cast<uint32_t>(i));
    }
}

TEST_F(LinkMedia, ShortRemainderThrows2AndTheNextReadReceivesAfresh) {
    startSilentPhone();
    connectLink();
    ASSERT_TRUE(voice.ready());
    ASSERT_TRUE(send(joined(voice.next(true, 1), {0, 0, 7})));
    ASSERT_TRUE(send(voice.next(true, 2)));
    EXPECT_EQ(readPacket(), 0);
    EXPECT_EQ(frame.sequence, 1u);
    EXPECT_EQ(readPacket(), thrown(EXCEPTION_INCOMPLETE_PACKET));
    EXPECT_EQ(readPacket(), 0);
    EXPECT_EQ(frame.sequence, 2u);
}

TEST_F(LinkMedia, BadCheckBytesGive23AndTheStreamGoesOn) {
    SimFaults faults;
    faults.badCheckEvery = 2;
    startPhone(withFaults(faults));
    connectLink();
    EXPECT_EQ(readPacket(), 0);
    EXPECT_EQ(readPacket(), PhoneLink::CHECK_MISMATCH);
    EXPECT_EQ(readPacket(), 0);
    EXPECT_EQ(readPacket(), PhoneLink::CHECK_MISMATCH);
    EXPECT_EQ(frame.sequence, 3u);
}

TEST_F(LinkMedia, UndecodablePayloadGives22InBothFormats) {
    for (int version : {3, 1}) {
        SCOPED_TRACE(version);
        SimFaults faults;
        faults.undecodableEvery = 2;
        startPhone(withFaults(faults, version));
        connectLink();
        EXPECT_EQ(readPacket(), 0);
        EXPECT_EQ(readPacket(), PhoneLink::UNDECODABLE);
        EXPECT_EQ(readPacket(), 0);
        link.close();
        phone->stop();
    }
}

TEST_F(LinkMedia, TruncatedDatagramThrows2) {
    SimFaults faults;
    faults.truncateEvery = 2;
    startPhone(withFaults(faults));
    connectLink();
    EXPECT_EQ(readPacket(), 0);
    EXPECT_EQ(readPacket(), thrown(EXCEPTION_INCOMPLETE_PACKET));
    EXPECT_EQ(readPacket(), 0);
    EXPECT_EQ(frame.sequence, 2u);
}

TEST_F(LinkMedia, OversizeAnnouncementInADatagramThrows2) {
    SimFaults faults;
    faults.oversizeEvery = 2;
    faults.oversizeLength = 1100;
    startPhone(withFaults(faults, 2));
    connectLink();
    EXPECT_EQ(readPacket(), 0);
    EXPECT_EQ(readPacket(), thrown(EXCEPTION_INCOMPLETE_PACKET));
    EXPECT_EQ(readPacket(), 0);
    EXPECT_EQ(frame.sequence, 2u);
}

// A datagram from any other host on the network is not the phone's voice.
TEST_F(LinkMedia, DatagramsFromAnotherHostAreIgnored) {
    if (!sourceAddressKept("127.0.0.2")) {
        GTEST_SKIP() << "datagrams from 127.0.0.2 leave as 127.0.0.1 here (Wine); "
                        "IntruderOnIPv4IsIgnoredByAnIPv6Phone covers the filter";
    }
    startSilentPhone();
    connectLink();
    ASSERT_TRUE(voice.ready());
    ASSERT_TRUE(sendDatagramFrom("127.0.0.2", "127.0.0.1", mediaPort, voice.next(true, 666)));
    ASSERT_TRUE(sendDatagramFrom("127.0.0.2", "127.0.0.1", mediaPort, voice.next(true, 667)));
    ASSERT_TRUE(send(voice.next(true, 1)));
    EXPECT_EQ(readPacket(), 0);
    EXPECT_EQ(frame.sequence, 1u);
    // Only an intruder: the wait runs out as if nothing had come.
    ASSERT_TRUE(sendDatagramFrom("127.0.0.2", "127.0.0.1", mediaPort, voice.next(true, 668)));
    EXPECT_EQ(readPacket(), thrown(EXCEPTION_TIMEOUT));
}

// The same with the phone on ::1 and the intruder on 127.0.0.1, which every
// loopback (Wine's too) keeps apart; a mapped address is not the phone's.
TEST_F(LinkMedia, IntruderOnIPv4IsIgnoredByAnIPv6Phone) {
    PhoneSimConfig config;
    config.faults.silence = true;
    startPhone(config, "::1");
    connectLink();
    ASSERT_TRUE(voice.ready());
    ASSERT_TRUE(sendDatagramFrom("127.0.0.1", "127.0.0.1", mediaPort, voice.next(true, 666)));
    ASSERT_TRUE(send(voice.next(true, 1)));
    EXPECT_EQ(readPacket(), 0);
    EXPECT_EQ(frame.sequence, 1u);
}

// Media on the control connection, as over USB and Bluetooth: an oversize
// packet is read past, and the packets after it are still found.
TEST_F(LinkMedia, OversizeOnAStreamKeepsThePacketsAligned) {
    PhoneSimConfig config;
    config.mediaMode = SimMediaMode::Stream;
    config.faults.oversizeEvery = 2;
    config.faults.oversizeLength = 3000;
    startPhone(config);
    auto control = std::make_unique<WinSockStream>(host.c_str(), phone->controlPort());
    auto media = std::make_unique<SharedMediaStream>(control.get());
    ASSERT_EQ(link.open(std::move(control), std::move(media)), 0);
    ASSERT_EQ(link.handshake(&protocolVersion), 0);
    ASSERT_EQ(link.setupMedia(), 0);
    ASSERT_EQ(link.startMedia(), 0);
    const auto requests = phone->requests();
    ASSERT_EQ(requests.size(), 3u);
    // type 'f' | length 0 0 0 6 | fixed 2 2 | media port 0 (stream transports)
    EXPECT_EQ(requests[1].bytes, (Bytes{0x66, 0, 0, 0, 6, 2, 2, 0, 0, 0, 0}));
    for (int i = 0; i < 6; ++i) {
        const int expected = i % 2 == 1 ? thrown(EXCEPTION_INCOMPLETE_PACKET) : 0;
        ASSERT_EQ(readPacket(), expected) << "packet " << i;
        EXPECT_EQ(frame.sequence, static_cast<uint32_t>(i));
    }
}

}  // namespace
}  // namespace kavri::test
