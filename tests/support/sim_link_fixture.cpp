#include "tests/support/sim_link_fixture.h"

namespace kavri::test {

void SimLinkFixture::TearDown() {
    link.close();
    decoder.close();
    if (phone) {
        phone->stop();
    }
}

void SimLinkFixture::startPhone(PhoneSimConfig config, const char* hostAddress) {
    host = hostAddress;
    config.listenAddress = host;
    config.controlPort = 0;
    phone = std::make_unique<PhoneSimulator>(config);
    ASSERT_TRUE(phone->start()) << phone->lastError();
    mediaPort = pickFreeUdpPort();
    ASSERT_GT(mediaPort, 0);
    useWifiPhone(host.c_str(), phone->controlPort(), mediaPort);
    ASSERT_EQ(decoder.open(), 0);
}

void SimLinkFixture::startSilentPhone(int version) {
    PhoneSimConfig config;
    config.protocolVersion = version;
    config.faults.silence = true;
    startPhone(config);
}

void SimLinkFixture::connectLink() {
    ASSERT_EQ(link.open(), 0);
    ASSERT_EQ(link.handshake(&protocolVersion), 0);
    ASSERT_EQ(link.setupMedia(), 0);
    ASSERT_EQ(link.startMedia(), 0);
    // Raw media needs the phone to know where to send it.
    ASSERT_TRUE(phone->waitForRequest('g', WAIT));
}

int SimLinkFixture::readPacket() {
    frame.countOfSamples = AudioFrame::MAX_SAMPLES;
    try {
        return protocolVersion == 3
                   ? link.readCheckedMediaPacket(&decoder, frame.data, &frame.countOfSamples,
                                                 &frame.sequence)
                   : link.readMediaPacket(&decoder, frame.data, &frame.countOfSamples,
                                          &frame.sequence);
    } catch (int code) {
        return thrown(code);
    }
}

}  // namespace kavri::test
