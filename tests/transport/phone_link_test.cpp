#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/result_codes.h"
#include "settings/settings.h"
#include "tests/support/scripted_control_stream.h"
#include "tests/support/scripted_media_stream.h"
#include "transport/phone_link.h"

namespace kavri::test {
namespace {

using Bytes = std::vector<uint8_t>;

// A link over a scripted control stream; the test keeps a view of it.
struct ScriptedLink {
    explicit ScriptedLink(const Bytes& replies) {
        auto c = std::make_unique<ScriptedControlStream>(replies);
        control = c.get();
        auto m = std::make_unique<ScriptedMediaStream>(ScriptedMediaStream::Mode::Stream);
        media = m.get();
        opened = link.open(std::move(c), std::move(m));
    }
    PhoneLink link;
    ScriptedControlStream* control = nullptr;
    ScriptedMediaStream* media = nullptr;
    int opened = -99;
};

TEST(PhoneLinkRequests, HandshakeWritesTheSixFixedBytesAndReadsStatusAndVersion) {
    // Reply: type 'e' | length 0 0 0 2 | status 0 | protocol version 3.
    ScriptedLink s({'e', 0, 0, 0, 2, 0, 3});
    ASSERT_EQ(s.opened, 0);
    int version = -1;
    EXPECT_EQ(s.link.handshake(&version), 0);
    EXPECT_EQ(version, 3);
    EXPECT_EQ(s.control->written(), (Bytes{0x65,                 // type 'e'
                                           0, 0, 0, 6,           // payload length 6
                                           3, 3, 5, 0, 0, 0}));  // the six fixed bytes
    EXPECT_EQ(s.control->unread(), 0);
}

TEST(PhoneLinkRequests, SetupAndStartAndKeepAliveBytesOnTheWire) {
    // Two replies, each: type | length 0 0 0 1 | status 0.
    ScriptedLink s({'f', 0, 0, 0, 1, 0, 'g', 0, 0, 0, 1, 0});
    EXPECT_EQ(s.link.setupMedia(), 0);
    EXPECT_EQ(s.link.startMedia(), 0);
    EXPECT_EQ(s.link.keepAlive(), 0);
    // Streams handed in carry no media port: USB and Bluetooth send zeros.
    EXPECT_EQ(s.control->written(), (Bytes{0x66, 0x00, 0x00, 0x00, 0x06,  // 'f', length 6
                                           0x02, 0x02,                    // the two fixed bytes
                                           0x00, 0x00, 0x00, 0x00,  // media port 0, big-endian
                                           0x67, 0x00, 0x00, 0x00, 0x00,     // 'g', length 0
                                           0x69, 0x00, 0x00, 0x00, 0x00}));  // 'i', length 0
    EXPECT_EQ(s.control->unread(), 0);
}

TEST(PhoneLinkRequests, WrongReplyTypeGives10AndLeavesTheStatusUnread) {
    // Reply: type 'x' | length 0 0 0 2 | status 0 | version 3.
    ScriptedLink e({'x', 0, 0, 0, 2, 0, 3});
    int version = 77;
    EXPECT_EQ(e.link.handshake(&version), PhoneLink::WRONG_REPLY_TYPE);
    EXPECT_EQ(version, 77);
    EXPECT_EQ(e.control->unread(), 2);

    // Reply: type 'e' to an 'f' request | length 0 0 0 1 | status 5.
    ScriptedLink f({'e', 0, 0, 0, 1, 5});
    EXPECT_EQ(f.link.setupMedia(), PhoneLink::WRONG_REPLY_TYPE);
    EXPECT_EQ(f.control->unread(), 1);
}

TEST(PhoneLinkRequests, NonZeroStatusIsReturnedAndHandshakeStillDeliversTheVersion) {
    // Reply: type 'e' | length 0 0 0 2 | status 7 | version 2.
    ScriptedLink e({'e', 0, 0, 0, 2, 7, 2});
    int version = -1;
    EXPECT_EQ(e.link.handshake(&version), 7);
    EXPECT_EQ(version, 2);

    ScriptedLink g({'g', 0, 0, 0, 1, 255});
    EXPECT_EQ(g.link.startMedia(), 255);
    // A status that happens to equal an internal result is still just the status.
    // Reply: type 'e' | length 0 0 0 2 | status 10 | version 3.
    ScriptedLink e10({'e', 0, 0, 0, 2, 10, 3});
    EXPECT_EQ(e10.link.handshake(&version), 10);
    EXPECT_EQ(version, 3);
}

TEST(PhoneLinkRequests, StreamFailuresGive1) {
    // No reply at all: the socket's time-out.
    ScriptedLink silent({});
    int version = -1;
    EXPECT_EQ(silent.link.handshake(&version), PhoneLink::LINK_FAILED);
    EXPECT_EQ(version, -1);
    // The reply stops after the status: the version read fails.
    // Reply: type 'e' | length 0 0 0 2 | status 0 | (no version).
    ScriptedLink cut({'e', 0, 0, 0, 2, 0});
    cut.control->endOfScript = EXCEPTION_RECEIVE_FAILED;
    EXPECT_EQ(cut.link.handshake(&version), PhoneLink::LINK_FAILED);
    // A failed send.
    ScriptedLink broken({'g', 0, 0, 0, 1, 0});
    broken.control->failWrites = true;
    EXPECT_EQ(broken.link.startMedia(), PhoneLink::LINK_FAILED);
    EXPECT_EQ(broken.link.keepAlive(), PhoneLink::LINK_FAILED);
    EXPECT_EQ(broken.control->unread(), 6);
}

TEST(PhoneLinkRequests, WithoutAControlStreamEveryRequestGives1) {
    PhoneLink link;
    int version = 5;
    EXPECT_EQ(link.handshake(&version), PhoneLink::LINK_FAILED);
    EXPECT_EQ(version, 5);
    EXPECT_EQ(link.setupMedia(), PhoneLink::LINK_FAILED);
    EXPECT_EQ(link.startMedia(), PhoneLink::LINK_FAILED);
    EXPECT_EQ(link.keepAlive(), PhoneLink::LINK_FAILED);
}

TEST(PhoneLinkOpen, ControlFailureIsReturnedAndTheMediaStreamIsNotOpened) {
    auto c = std::make_unique<ScriptedControlStream>(Bytes{});
    c->openResult = RESULT_CANNOT_CONNECT;
    auto m = std::make_unique<ScriptedMediaStream>(ScriptedMediaStream::Mode::Stream);
    ScriptedMediaStream* media = m.get();
    PhoneLink link;
    EXPECT_EQ(link.open(std::move(c), std::move(m)), RESULT_CANNOT_CONNECT);
    EXPECT_EQ(media->opens(), 0);
    link.close();
}

TEST(PhoneLinkOpen, MediaFailureGivesMinus12) {
    auto c = std::make_unique<ScriptedControlStream>(Bytes{});
    auto m = std::make_unique<ScriptedMediaStream>(ScriptedMediaStream::Mode::Stream);
    m->setOpenResult(-1);
    PhoneLink link;
    EXPECT_EQ(link.open(std::move(c), std::move(m)), RESULT_MEDIA_OPEN_FAILED);
}

TEST(PhoneLinkOpen, UnknownTransportGivesMinus8WithoutStreams) {
    for (int type : {0, 4, -1}) {
        Settings::setTransportType(type);
        PhoneLink link;
        EXPECT_EQ(link.open(), RESULT_CANNOT_START) << "transport " << type;
        EXPECT_EQ(link.keepAlive(), PhoneLink::LINK_FAILED) << "a stream was created";
    }
}

// Closes the control stream before the media stream, each closed before it is
// destroyed: the stream transports' media reads through the control stream.
class LoggingMedia : public ScriptedMediaStream {
  public:
    explicit LoggingMedia(std::vector<std::string>* events)
        : ScriptedMediaStream(Mode::Stream), events_(events) {}
    ~LoggingMedia() override { events_->push_back("media destroyed"); }
    int close() override {
        events_->push_back("media closed");
        return 0;
    }

  private:
    std::vector<std::string>* events_;
};

TEST(PhoneLinkOpen, CloseTearsDownControlFirstAndOnlyOnce) {
    std::vector<std::string> events;
    {
        auto c = std::make_unique<ScriptedControlStream>(Bytes{});
        c->events = &events;
        PhoneLink link;
        ASSERT_EQ(link.open(std::move(c), std::make_unique<LoggingMedia>(&events)), 0);
        link.close();
        EXPECT_EQ(link.keepAlive(), PhoneLink::LINK_FAILED);
        link.close();
    }
    EXPECT_EQ(events, (std::vector<std::string>{"control closed", "control destroyed",
                                                "media closed", "media destroyed"}));
}

}  // namespace
}  // namespace kavri::test
