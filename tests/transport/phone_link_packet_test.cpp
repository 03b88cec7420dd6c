#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "core/audio_frame.h"
#include "tests/support/recording_decoder.h"
#include "tests/support/scripted_control_stream.h"
#include "tests/support/scripted_media_stream.h"
#include "transport/phone_link.h"

namespace kavri::test {
namespace {

using Bytes = std::vector<uint8_t>;
using Mode = ScriptedMediaStream::Mode;

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes checkedPacket(uint16_t word, const Bytes& payload) {
    uint8_t check = 0;
    for (uint8_t b : payload)
        check ^= b;
    const int n = static_cast<int>(payload.size());
    return concat({{check, 0, static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word),
                    static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)},
                   payload});
}

class PacketReader : public testing::Test {
  protected:
    void useMedia(Mode mode) {
        auto m = std::make_unique<ScriptedMediaStream>(mode);
        media = m.get();
        ASSERT_EQ(link.open(std::make_unique<ScriptedControlStream>(Bytes{}), std::move(m)), 0);
    }
    int readPlain() {
        frame.countOfSamples = AudioFrame::MAX_SAMPLES;
        return link.readMediaPacket(&decoder, frame.data, &frame.countOfSamples, &frame.sequence);
    }
    int readChecked() {
        frame.countOfSamples = AudioFrame::MAX_SAMPLES;
        return link.readCheckedMediaPacket(&decoder, frame.data, &frame.countOfSamples,
                                           &frame.sequence);
    }
    static int thrownBy(const std::function<int()>& read) {
        try {
            read();
        } catch (int code) {
            return code;
        }
        return -1;
    }

    PhoneLink link;
    ScriptedMediaStream* media = nullptr;
    RecordingDecoder decoder;
    AudioFrame frame;
};

TEST_F(PacketReader, PlainHeaderGivesTheWordAndTheAnnouncedPayload) {
    useMedia(Mode::Stream);
    // header word 00 00 01 02 | payload length 00 05 | five payload bytes
    media->addBytes({0x00, 0x00, 0x01, 0x02, 0x00, 0x05, 10, 20, 30, 40, 50});
    media->addBytes({0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x01, 99});
    EXPECT_EQ(readPlain(), 0);
    EXPECT_EQ(frame.sequence, 258u);
    EXPECT_EQ(decoder.lastPacket, (Bytes{10, 20, 30, 40, 50}));
    EXPECT_EQ(decoder.lastCapacity, 1920);
    EXPECT_EQ(frame.countOfSamples, 960);
    EXPECT_EQ(readPlain(), 0);
    EXPECT_EQ(frame.sequence, 0xDEADBEEFu);
    EXPECT_EQ(decoder.lastPacket, (Bytes{99}));
}

TEST_F(PacketReader, CheckByteMatchesOnlyTheExactPayload) {
    useMedia(Mode::Stream);
    const Bytes payload = {0x11, 0x22, 0x44, 0x88, 0xF0};
    media->addBytes(checkedPacket(0xABCD, payload));
    EXPECT_EQ(readChecked(), 0);
    // The header's bytes 0 and 1 are not part of the 16-bit word.
    EXPECT_EQ(frame.sequence, 0xABCDu);
    for (size_t byte = 0; byte < payload.size(); ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
            Bytes packet = checkedPacket(7, payload);
            packet[6 + byte] ^= static_cast<uint8_t>(1 << bit);
            media->addBytes(packet);
            const int calls = decoder.calls;
            EXPECT_EQ(readChecked(), PhoneLink::CHECK_MISMATCH) << byte << ":" << bit;
            EXPECT_EQ(decoder.calls, calls) << "a mismatching packet was decoded";
        }
    }
    EXPECT_EQ(media->pending(), 0);
}

TEST_F(PacketReader, EmptyCheckedPayloadPassesOnlyWithCheckByteZero) {
    useMedia(Mode::Stream);
    // check byte | unused | header word 00 01 | payload length 00 00
    media->addBytes({0x00, 0x00, 0x00, 0x01, 0x00, 0x00});
    // check byte 01 (not the fold of an empty payload) | unused | word 00 02 | length 0
    media->addBytes({0x01, 0x00, 0x00, 0x02, 0x00, 0x00});
    EXPECT_EQ(readChecked(), 0);
    EXPECT_EQ(decoder.lastPacket.size(), 0u);
    EXPECT_EQ(readChecked(), PhoneLink::CHECK_MISMATCH);
}

TEST_F(PacketReader, RejectedPayloadGives22AndTheNextPacketDecodes) {
    useMedia(Mode::Stream);
    media->addBytes(checkedPacket(1, {1, 2, 3}));
    media->addBytes(checkedPacket(2, {4, 5, 6}));
    decoder.succeed = false;
    EXPECT_EQ(readChecked(), PhoneLink::UNDECODABLE);
    EXPECT_EQ(frame.countOfSamples, 1920);
    decoder.succeed = true;
    EXPECT_EQ(readChecked(), 0);
    EXPECT_EQ(frame.sequence, 2u);

    media->addBytes({0, 0, 0, 3, 0, 1, 7});
    frame.countOfSamples = 1920;
    EXPECT_EQ(link.readMediaPacket(nullptr, frame.data, &frame.countOfSamples, &frame.sequence),
              PhoneLink::UNDECODABLE);
}

TEST_F(PacketReader, ShortDatagramRemainderThrows2AndTheNextReadReceivesAfresh) {
    useMedia(Mode::Datagrams);
    // Header claims 9 bytes; only 4 follow in the datagram.
    media->addDatagram({0, 0, 0, 9, 0, 9, 1, 2, 3, 4});
    media->addDatagram({0, 0, 0, 10, 0, 2, 5, 6});
    EXPECT_EQ(thrownBy([&] { return readPlain(); }), EXCEPTION_INCOMPLETE_PACKET);
    // The header word is stored before the payload is looked at.
    EXPECT_EQ(frame.sequence, 9u);
    EXPECT_EQ(media->resets(), 1);
    EXPECT_EQ(readPlain(), 0);
    EXPECT_EQ(frame.sequence, 10u);
    EXPECT_EQ(decoder.lastPacket, (Bytes{5, 6}));
}

TEST_F(PacketReader, SeveralPacketsInOneDatagramAndAShortTail) {
    useMedia(Mode::Datagrams);
    media->addDatagram(concat({checkedPacket(1, {1}), checkedPacket(2, {2, 2}), {0, 0, 0}}));
    media->addDatagram(checkedPacket(3, {3}));
    EXPECT_EQ(readChecked(), 0);
    EXPECT_EQ(readChecked(), 0);
    EXPECT_EQ(frame.sequence, 2u);
    EXPECT_EQ(media->datagramsWaiting(), 1);
    EXPECT_EQ(thrownBy([&] { return readChecked(); }), EXCEPTION_INCOMPLETE_PACKET);
    EXPECT_EQ(readChecked(), 0);
    EXPECT_EQ(frame.sequence, 3u);
}

TEST_F(PacketReader, OversizeOnAStreamIsReadPastAndTheStreamStaysAligned) {
    useMedia(Mode::Stream);
    for (int announced : {1025, 65535}) {
        Bytes filler(static_cast<size_t>(announced), 0x5A);
        media->addBytes(concat(
            {{0, 0, 0, 1, static_cast<uint8_t>(announced >> 8), static_cast<uint8_t>(announced)},
             filler}));
        media->addBytes({0, 0, 0, 2, 0, 1, 42});
        EXPECT_EQ(thrownBy([&] { return readPlain(); }), EXCEPTION_INCOMPLETE_PACKET) << announced;
        EXPECT_EQ(decoder.calls, 0);
        ASSERT_EQ(media->pending(), 7);
        EXPECT_EQ(readPlain(), 0);
        EXPECT_EQ(frame.sequence, 2u);
        decoder.calls = 0;
    }
    // Exactly the buffer's size is still a packet.
    media->addBytes(concat({{0, 0, 0, 3, 0x04, 0x00}, Bytes(1024, 1)}));
    EXPECT_EQ(readPlain(), 0);
    EXPECT_EQ(decoder.lastPacket.size(), 1024u);
}

TEST_F(PacketReader, OversizeInADatagramIsDroppedLikeAnIncompletePacket) {
    useMedia(Mode::Datagrams);
    media->addDatagram(concat({{0, 0, 0, 1, 0x04, 0x4C}, Bytes(100, 0)}));  // claims 1100
    media->addDatagram({0, 0, 0, 2, 0, 1, 42});
    EXPECT_EQ(thrownBy([&] { return readPlain(); }), EXCEPTION_INCOMPLETE_PACKET);
    EXPECT_EQ(media->resets(), 1);
    EXPECT_EQ(readPlain(), 0);
    EXPECT_EQ(frame.sequence, 2u);
}

TEST_F(PacketReader, StreamExceptionsPassToTheCaller) {
    useMedia(Mode::Stream);
    media->addBytes({0, 0, 0, 1, 0, 4, 1, 2});  // the stream ends inside the payload
    EXPECT_EQ(thrownBy([&] { return readPlain(); }), EXCEPTION_END_OF_FILE);
    PhoneLink unopened;
    EXPECT_EQ(thrownBy([&] {
                  return unopened.readMediaPacket(&decoder, frame.data, &frame.countOfSamples,
                                                  &frame.sequence);
              }),
              EXCEPTION_NOT_OPEN);
}

}  // namespace
}  // namespace kavri::test
