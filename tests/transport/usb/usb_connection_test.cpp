#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "common/result_codes.h"
#include "adb_sandbox.h"
#include "audio/opus_voice_decoder.h"
#include "settings/settings.h"
#include "tools/phone_sim/lib/phone_simulator.h"
#include "transport/phone_link.h"
#include "transport/usb/usb_control_stream.h"
#include "transport/usb/usb_media_stream.h"

namespace kavri {
namespace {

using test::AdbSandbox;
using Lines = std::vector<std::string>;
constexpr auto WAIT = std::chrono::seconds(10);

// A whole USB connection against the simulated phone, through the fake adb:
// device check, forward, connection to the forwarded port, the three
// requests, media packets on the same connection, forward removal at close.
class UsbConnectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sandbox_.installFakeAdb());
        PhoneSimConfig config;
        config.mediaMode = SimMediaMode::Stream;
        config.protocolVersion = 3;
        phone_ = std::make_unique<PhoneSimulator>(config);
        ASSERT_TRUE(phone_->start()) << phone_->lastError();
        port_ = phone_->controlPort();
    }

    void runConnection(PhoneLink& link) {
        int version = 0;
        ASSERT_EQ(link.handshake(&version), 0);
        EXPECT_EQ(version, 3);
        ASSERT_EQ(link.setupMedia(), 0);
        ASSERT_EQ(link.startMedia(), 0);

        OpusVoiceDecoder decoder(48000, 1);
        ASSERT_EQ(decoder.open(), 0);
        for (int i = 0; i < 5; ++i) {
            int16_t samples[1920];
            int32_t count = 1920;
            uint32_t header = 0;
            ASSERT_EQ(link.readCheckedMediaPacket(&decoder, samples, &count, &header), 0)
                << "packet " << i;
            EXPECT_EQ(count, 960);
        }
        EXPECT_EQ(link.keepAlive(), 0);
        EXPECT_TRUE(phone_->waitForKeepAlives(1, WAIT));
        link.close();
        EXPECT_TRUE(phone_->waitForDisconnect(WAIT));
    }

    void expectRecordedSession() {
        const std::string p = std::to_string(port_);
        EXPECT_EQ(sandbox_.calls(), (Lines{" devices", " -a forward tcp:" + p + " tcp:" + p,
                                           " -a forward --remove " + p}));
        // On USB the phone is told media port 0: the packets come on the connection.
        const std::vector<SimRequest> requests = phone_->requests();
        ASSERT_GE(requests.size(), 3u);
        EXPECT_EQ(requests[0].type, 'e');
        // type 'f' | length 0 0 0 6 | fixed 2 2 | media port 0 (stream transports)
        EXPECT_EQ(requests[1].bytes, (std::vector<uint8_t>{0x66, 0, 0, 0, 6, 2, 2, 0, 0, 0, 0}));
        EXPECT_EQ(requests[2].type, 'g');
    }

    AdbSandbox sandbox_;
    std::unique_ptr<PhoneSimulator> phone_;
    int port_ = 0;
};

TEST_F(UsbConnectionTest, StreamsOverTheForwardedPort) {
    PhoneLink link;
    auto control = std::make_unique<UsbControlStream>(port_);
    auto media = std::make_unique<UsbMediaStream>(control.get());
    ASSERT_EQ(link.open(std::move(control), std::move(media)), 0);
    runConnection(link);
    expectRecordedSession();
}

TEST_F(UsbConnectionTest, PhoneLinkBuildsTheUsbStreamsFromTheSettings) {
    const int savedType = Settings::getTransportType();
    const int savedPort = Settings::getControlPort();
    Settings::setTransportType(TRANSPORT_USB);
    Settings::setControlPort(port_);
    PhoneLink link;
    const int opened = link.open();
    Settings::setTransportType(savedType);
    Settings::setControlPort(savedPort);
    ASSERT_EQ(opened, 0);
    EXPECT_EQ(link.getMediaPort(), 0);
    runConnection(link);
    expectRecordedSession();
}

TEST_F(UsbConnectionTest, PhoneLinkReportsNoUsbDevice) {
    sandbox_.setListing("List of devices attached\n\n");
    const int savedType = Settings::getTransportType();
    Settings::setTransportType(TRANSPORT_USB);
    PhoneLink link;
    const int opened = link.open();
    Settings::setTransportType(savedType);
    EXPECT_EQ(opened, RESULT_NO_USB_DEVICE);
    link.close();
    EXPECT_EQ(sandbox_.calls(), Lines{" devices"});
}

}  // namespace
}  // namespace kavri
