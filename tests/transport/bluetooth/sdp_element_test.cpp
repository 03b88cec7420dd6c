#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "sdp_builder.h"
#include "transport/bluetooth/sdp_element.h"
#include "transport/bluetooth/service_record.h"

namespace kavri {
namespace {

using namespace test;

// Parses quietly (the parser prints its steps) an exact-size copy.
int parseQuietly(const Bytes& record, bool skip) {
    Bytes copy = record;
    uint8_t channel = 0;
    ::testing::internal::CaptureStdout();
    const int result = parseServiceRecord(copy.empty() ? nullptr : copy.data(),
                                          static_cast<int>(copy.size()), "Kavri", skip, &channel);
    ::testing::internal::GetCapturedStdout();
    return result;
}

TEST(SdpElement, HeaderSizes) {
    struct Case {
        Bytes bytes;
        int type;
        int size;
        int length;
    };
    const Case cases[] = {
        {{0x00}, SDP_TYPE_NIL, 1, 0},
        {{0x08, 1}, SDP_TYPE_UINT, 2, 1},
        {{0x11, 0, 1}, SDP_TYPE_INT, 3, 2},
        {{0x0B, 1, 2, 3, 4, 5, 6, 7, 8}, SDP_TYPE_UINT, 9, 8},
        {Bytes(17, 0x00), SDP_TYPE_NIL, 1, 0},
        {{0x1A, 0, 0, 0, 3}, SDP_TYPE_UUID, 5, 4},
        {{0x28, 1}, SDP_TYPE_BOOLEAN, 2, 1},
        {{0x25, 2, 'h', 'i'}, SDP_TYPE_STRING, 4, 2},
        {{0x36, 0, 1, 0x00}, SDP_TYPE_SEQUENCE, 4, 1},
        {{0x3F, 0, 0, 0, 0}, SDP_TYPE_ALTERNATIVE, 5, 0},
        {{0x45, 1, 'u'}, SDP_TYPE_URL, 3, 1},
    };
    for (const Case& c : cases) {
        SdpElement e;
        ASSERT_TRUE(readSdpElement(c.bytes.data(), static_cast<int>(c.bytes.size()), &e))
            << int(c.bytes[0]);
        EXPECT_EQ(e.type, c.type);
        EXPECT_EQ(e.size, c.size);
        EXPECT_EQ(e.length, c.length);
        EXPECT_EQ(e.value, c.bytes.data() + (c.size - c.length));
    }
}

TEST(SdpElement, InvalidHeadersAreRefused) {
    const Bytes invalid[] = {
        {0x01, 0, 0},                    // nil with a size
        {0x0D, 1, 0},                    // unsigned integer with a length byte
        {0x18, 0},                       // one-byte UUID
        {0x1B, 0, 0, 0, 0, 0, 0, 0, 0},  // eight-byte UUID
        {0x29, 0, 1},                    // two-byte boolean
        {0x20, 'x'},                     // text without a length byte
        {0x48, 0},                       // reserved type 9
        {0xF8},                          // reserved type 31
    };
    for (const Bytes& b : invalid) {
        SdpElement e;
        EXPECT_FALSE(readSdpElement(b.data(), static_cast<int>(b.size()), &e)) << int(b[0]);
    }
}

TEST(SdpElement, LengthsThatReachPastTheirRangeAreRefused) {
    const Bytes lying[] = {
        {0x35, 0x03, 0x08, 0x01},              // one byte missing
        {0x36, 0xFF, 0xFF, 0x00},              // 16-bit length far past the end
        {0x37, 0xFF, 0xFF, 0xFF, 0xFF, 0x00},  // 32-bit length that would wrap an int
        {0x37, 0x7F, 0xFF, 0xFF, 0xFC, 0x00},  // largest positive length
        {0x36, 0x00},                          // length field cut short
        {0x09, 0x01},                          // fixed size cut short
    };
    for (const Bytes& b : lying) {
        SdpElement e;
        EXPECT_FALSE(readSdpElement(b.data(), static_cast<int>(b.size()), &e))
            << int(b[0]) << " " << b.size();
    }
    SdpElement e;
    EXPECT_FALSE(readSdpElement(nullptr, 4, &e));
    const Bytes one{0x08, 0x01};
    EXPECT_FALSE(readSdpElement(one.data(), 0, &e));
    EXPECT_FALSE(readSdpElement(one.data(), -1, &e));
}

TEST(SdpElement, ContainerElementsStayInsideTheirContainer) {
    // The inner uint16 fits the buffer but not the sequence that holds it.
    const Bytes b{0x35, 0x02, 0x09, 0x00, 0x01};
    SdpElement outer;
    ASSERT_TRUE(readSdpElement(b.data(), static_cast<int>(b.size()), &outer));
    int cursor = 0;
    SdpElement inner;
    EXPECT_FALSE(nextSdpElement(outer, &cursor, &inner));

    const Bytes two{0x35, 0x04, 0x08, 0x01, 0x08, 0x02};
    ASSERT_TRUE(readSdpElement(two.data(), static_cast<int>(two.size()), &outer));
    cursor = 0;
    ASSERT_TRUE(nextSdpElement(outer, &cursor, &inner));
    EXPECT_EQ(inner.value[0], 1);
    ASSERT_TRUE(nextSdpElement(outer, &cursor, &inner));
    EXPECT_EQ(inner.value[0], 2);
    EXPECT_FALSE(nextSdpElement(outer, &cursor, &inner));
    // Only sequences and alternatives have elements.
    SdpElement number;
    ASSERT_TRUE(readSdpElement(two.data() + 2, 2, &number));
    cursor = 0;
    EXPECT_FALSE(nextSdpElement(number, &cursor, &inner));
}

TEST(SdpElement, AttributesArePairsOfAnIdAndAValue) {
    const Bytes record = serviceRecord(sequence({rfcommDescriptor(5)}), "Kavri");
    SdpElement value;
    ASSERT_TRUE(findSdpAttribute(record.data(), static_cast<int>(record.size()), 0x0100, &value));
    EXPECT_EQ(std::string(value.value, value.value + value.length), "Kavri");
    EXPECT_FALSE(findSdpAttribute(record.data(), static_cast<int>(record.size()), 0x0200, &value));
    // An id that is not a 16-bit unsigned integer ends the search.
    const Bytes badId =
        sequence({uint8Element(1), textElement("a"), uint16Element(0x0100), textElement("b")});
    EXPECT_FALSE(findSdpAttribute(badId.data(), static_cast<int>(badId.size()), 0x0100, &value));
    // An id without a value.
    const Bytes lonely = sequence({uint16Element(0x0100)});
    EXPECT_FALSE(findSdpAttribute(lonely.data(), static_cast<int>(lonely.size()), 0x0100, &value));
    // A record must be a sequence.
    const Bytes notASequence = cat({{0x3D, 0x05}, uint16Element(0x0100), uint8Element(1)});
    EXPECT_FALSE(findSdpAttribute(notASequence.data(), static_cast<int>(notASequence.size()),
                                  0x0100, &value));
}

TEST(SdpElement, Uuid16FromEveryWidth) {
    const Bytes u16{0x19, 0x11, 0x01};
    const Bytes u32{0x1A, 0x00, 0x01, 0x11, 0x01};
    const Bytes u128{0x1C, 0x00, 0x00, 0x11, 0x01, 0,    0,    0x10, 0,
                     0x80, 0,    0,    0x80, 0x5F, 0x9B, 0x34, 0xFB};
    for (const Bytes* b : {&u16, &u32, &u128}) {
        SdpElement e;
        ASSERT_TRUE(readSdpElement(b->data(), static_cast<int>(b->size()), &e));
        uint16_t uuid = 0;
        ASSERT_TRUE(sdpUuid16(e, &uuid));
        EXPECT_EQ(uuid, 0x1101);
    }
    SdpElement number;
    const Bytes n = uint16Element(0x1101);
    ASSERT_TRUE(readSdpElement(n.data(), 3, &number));
    uint16_t uuid = 0;
    EXPECT_FALSE(sdpUuid16(number, &uuid));
}

TEST(SdpElement, EveryTruncationOfARecordIsRefusedWithoutReadingPastIt) {
    const Bytes record =
        serviceRecord(sequence({l2capDescriptor(), rfcommDescriptor(12)}), std::string("Kavri"));
    ASSERT_EQ(parseQuietly(record, false), 0);
    for (size_t n = 0; n < record.size(); ++n) {
        EXPECT_EQ(parseQuietly(Bytes(record.begin(), record.begin() + static_cast<long>(n)), true),
                  -1)
            << n;
    }
}

// What a parse gave: result, channel and the steps it printed.
struct Outcome {
    int result = -2;
    int channel = -1;
    std::string printed;
    bool operator==(const Outcome&) const = default;
};

// Parses the first length bytes of buffer, whatever bytes follow them.
Outcome parseWithin(const Bytes& buffer, size_t length) {
    uint8_t channel = 0xEE;
    ::testing::internal::CaptureStdout();
    Outcome o;
    o.result = parseServiceRecord(buffer.data(), static_cast<int>(length), "Kavri", true, &channel);
    o.printed = ::testing::internal::GetCapturedStdout();
    o.channel = o.result == 0 ? channel : -1;
    return o;
}

Bytes followedBy(const Bytes& record, const Bytes& tail) {
    Bytes joined = record;
    joined.insert(joined.end(), tail.begin(), tail.end());
    return joined;
}

TEST(SdpElement, EveryLyingLengthInARecordStaysInside) {
    // Raise each byte in turn: lengths then claim more than is there, types
    // and sizes change. The record is followed once by a valid record and
    // once by zeros: a parser that reads past its end sees the difference in
    // its result, channel or printed steps (and ASan sees the read).
    const Bytes record =
        serviceRecord(sequence({l2capDescriptor(), rfcommDescriptor(12)}), std::string("Kavri"));
    const Bytes validTail = serviceRecord(sequence({rfcommDescriptor(7)}), std::string("Kavri"));
    const Bytes zeroTail(validTail.size(), 0x00);
    ASSERT_EQ(parseWithin(record, record.size()).channel, 12);
    int accepted = 0;
    int refused = 0;
    for (size_t i = 0; i < record.size(); ++i) {
        for (int value : {0x00, 0x7F, 0xFF, record[i] + 1}) {
            Bytes changed = record;
            changed[i] = static_cast<uint8_t>(value);
            const Outcome beforeValid = parseWithin(followedBy(changed, validTail), changed.size());
            const Outcome beforeZeros = parseWithin(followedBy(changed, zeroTail), changed.size());
            EXPECT_EQ(beforeValid, beforeZeros) << "byte " << i << " set to " << value;
            EXPECT_EQ(parseWithin(changed, changed.size()), beforeValid)
                << "byte " << i << " set to " << value;
            (beforeValid.result == 0 ? accepted : refused) += 1;
        }
    }
    // The changes reach both outcomes, so the comparison above means something.
    EXPECT_GT(accepted, 0);
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace kavri
