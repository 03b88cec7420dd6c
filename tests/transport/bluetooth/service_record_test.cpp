#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "sdp_builder.h"
#include "transport/bluetooth/service_record.h"

namespace kavri {
namespace {

using namespace test;

struct Parsed {
    int result;
    int channel;
    std::string output;
};

Parsed parse(const Bytes& record, const char* wanted, bool skip) {
    // An exact-size copy: a read past the record is caught under ASan.
    Bytes copy = record;
    uint8_t channel = 0xEE;
    ::testing::internal::CaptureStdout();
    const int result =
        parseServiceRecord(copy.data(), static_cast<int>(copy.size()), wanted, skip, &channel);
    return {result, channel, ::testing::internal::GetCapturedStdout()};
}

TEST(ServiceRecord, RfcommChannelInTheFirstDescriptor) {
    const Parsed p = parse(serviceRecord(sequence({rfcommDescriptor(5)}), "Kavri"), nullptr, true);
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.channel, 5);
    EXPECT_EQ(p.output,
              "Name: Kavri\n"
              "converted name: Kavri\n"
              "list size: 9\n"
              "descriptor size: 7\n"
              "type: 3, size: 0\n");
}

TEST(ServiceRecord, L2capIsSkippedForTheRfcommChannel) {
    const Parsed p = parse(
        serviceRecord(sequence({l2capDescriptor(), rfcommDescriptor(12)}), "SPP"), nullptr, true);
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.channel, 12);
    EXPECT_EQ(p.output,
              "Name: SPP\n"
              "converted name: SPP\n"
              "list size: 14\n"
              "descriptor size: 5\n"
              "type: 3, size: 0\n"
              "descriptor size: 7\n"
              "type: 3, size: 0\n");
}

TEST(ServiceRecord, RfcommDescriptorWithoutAnUnsignedChannelYieldsNothing) {
    const Bytes signedChannel = sequence({uuid16Element(RFCOMM), {0x10, 0x05}});
    const Bytes textChannel = sequence({uuid16Element(RFCOMM), textElement("5")});
    const Bytes alone = sequence({uuid16Element(RFCOMM)});
    for (const Bytes& descriptor : {signedChannel, textChannel, alone}) {
        const Parsed p = parse(serviceRecord(sequence({l2capDescriptor(), descriptor}), "Kavri"),
                               "Kavri", false);
        EXPECT_EQ(p.result, -1);
        EXPECT_EQ(p.channel, 0xEE);
    }
    // The walk ends at the first RFCOMM descriptor even when a later one would do.
    const Parsed p =
        parse(serviceRecord(sequence({alone, rfcommDescriptor(7)}), "Kavri"), "Kavri", false);
    EXPECT_EQ(p.result, -1);
}

TEST(ServiceRecord, NameMustMatchExactlyUnlessSkipped) {
    const Bytes protocols = sequence({l2capDescriptor(), rfcommDescriptor(3)});
    EXPECT_EQ(parse(serviceRecord(protocols, "Kavri"), "Kavri", false).result, 0);
    for (const char* name : {"kavri", "Kavri ", "Kavr", "KavriX"}) {
        const Parsed refused = parse(serviceRecord(protocols, name), "Kavri", false);
        EXPECT_EQ(refused.result, -1) << name;
        // Nothing past the name is looked at.
        EXPECT_EQ(refused.output,
                  "Name: " + std::string(name) + "\nconverted name: " + name + "\n");
        const Parsed skipped = parse(serviceRecord(protocols, name), "Kavri", true);
        EXPECT_EQ(skipped.result, 0) << name;
        EXPECT_EQ(skipped.channel, 3);
    }
    // No wanted name and no skip: nothing matches.
    EXPECT_EQ(parse(serviceRecord(protocols, "Kavri"), nullptr, false).result, -1);
}

TEST(ServiceRecord, MissingOrOverlongNameIsEmpty) {
    const Bytes protocols = sequence({rfcommDescriptor(4)});
    Parsed p = parse(serviceRecord(protocols, std::nullopt), "", false);
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.output.substr(0, 24), "Name: \nconverted name: \n");

    // A terminating zero byte inside the text ends the name.
    p = parse(serviceRecord(protocols, std::string("Kavri\0", 6)), "Kavri", false);
    EXPECT_EQ(p.result, 0);
}

// A record holding only a name of length bytes, with 16-bit lengths.
Bytes recordWithName(const std::string& name) {
    const size_t length = name.size();
    Bytes body = cat({uint16Element(0x0100),
                      {0x26, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)},
                      Bytes(name.begin(), name.end())});
    return cat(
        {{0x36, static_cast<uint8_t>(body.size() >> 8), static_cast<uint8_t>(body.size())}, body});
}

TEST(ServiceRecord, NameLengthLimits) {
    char16_t wide[SERVICE_NAME_UNITS];
    // 255 units fit the wide buffer with its terminator; 256 do not, and then
    // the name is empty.
    Bytes record = recordWithName(std::string(255, 'a'));
    EXPECT_TRUE(readServiceName(record.data(), static_cast<int>(record.size()), wide));
    EXPECT_EQ(std::u16string(wide), std::u16string(255, u'a'));
    record = recordWithName(std::string(256, 'a'));
    EXPECT_FALSE(readServiceName(record.data(), static_cast<int>(record.size()), wide));
    EXPECT_EQ(std::u16string(wide), u"");
    // A name that is not text is no name.
    record = sequence({uint16Element(0x0100), uint8Element(1)});
    EXPECT_FALSE(readServiceName(record.data(), static_cast<int>(record.size()), wide));
    EXPECT_EQ(wide[0], 0);
}

TEST(ServiceRecord, ConvertedNameKeepsWholeCharactersWithin255Bytes) {
    std::string name;
    for (int i = 0; i < 200; ++i) {
        name += "\xC3\xA9";  // e acute: two bytes, one code unit
    }
    Bytes body = cat({uint16Element(0x0004),
                      sequence({rfcommDescriptor(9)}),
                      uint16Element(0x0100),
                      {0x26, 0x01, 0x90},
                      Bytes(name.begin(), name.end())});
    Bytes record = cat(
        {{0x36, static_cast<uint8_t>(body.size() >> 8), static_cast<uint8_t>(body.size())}, body});
    // 127 characters are 254 bytes; the 128th would not fit.
    EXPECT_EQ(parse(record, name.substr(0, 254).c_str(), false).result, 0);
    EXPECT_EQ(parse(record, name.c_str(), false).result, -1);
}

TEST(ServiceRecord, ChannelIsTheLowByteOfAnyUnsignedWidth) {
    const Bytes wide = sequence({uuid16Element(RFCOMM), uint16Element(0x0105)});
    EXPECT_EQ(parse(serviceRecord(sequence({wide}), "x"), nullptr, true).channel, 5);
    const Bytes uint32Channel = sequence({uuid16Element(RFCOMM), {0x0A, 0, 0, 0x01, 0x1E}});
    EXPECT_EQ(parse(serviceRecord(sequence({uint32Channel}), "x"), nullptr, true).channel, 30);
}

TEST(ServiceRecord, RfcommAsA32Or128BitUuid) {
    const Bytes uuid32 = sequence({{0x1A, 0, 0, 0, 3}, uint8Element(6)});
    EXPECT_EQ(parse(serviceRecord(sequence({uuid32}), "x"), nullptr, true).channel, 6);
    const Bytes uuid128 =
        sequence({{0x1C, 0, 0, 0, 3, 0, 0, 0x10, 0, 0x80, 0, 0, 0x80, 0x5F, 0x9B, 0x34, 0xFB},
                  uint8Element(8)});
    EXPECT_EQ(parse(serviceRecord(sequence({uuid128}), "x"), nullptr, true).channel, 8);
    // A protocol given as an integer is not a UUID.
    const Bytes integer = sequence({uint16Element(RFCOMM), uint8Element(2)});
    EXPECT_EQ(parse(serviceRecord(sequence({integer}), "x"), nullptr, true).result, -1);
}

TEST(ServiceRecord, DescriptorsThatAreNotSequencesArePassedOver) {
    const Parsed p =
        parse(serviceRecord(sequence({uint8Element(1), rfcommDescriptor(11)}), "x"), nullptr, true);
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.channel, 11);
    EXPECT_EQ(p.output,
              "Name: x\n"
              "converted name: x\n"
              "list size: 11\n"
              "descriptor size: 2\n"
              "descriptor size: 7\n"
              "type: 3, size: 0\n");
}

TEST(ServiceRecord, NoProtocolListOrAnEmptyOne) {
    Parsed p = parse(serviceRecord(sequence({}), "x"), nullptr, true);
    EXPECT_EQ(p.result, -1);
    EXPECT_EQ(p.output, "Name: x\nconverted name: x\nlist size: 2\n");
    // Without attribute 0x0004 at all.
    const Bytes record = sequence({uint16Element(0x0100), textElement("x")});
    p = parse(record, nullptr, true);
    EXPECT_EQ(p.result, -1);
    EXPECT_EQ(p.output, "Name: x\nconverted name: x\n");
    EXPECT_EQ(parse(Bytes{}, nullptr, true).result, -1);
}

TEST(ReadChannelNumber, ReadsTheSecondElementOfADescriptor) {
    uint8_t channel = 0;
    Bytes d = rfcommDescriptor(21);
    EXPECT_EQ(readChannelNumber(d.data(), static_cast<int>(d.size()), &channel), 0);
    EXPECT_EQ(channel, 21);
    // Cut short, the descriptor is refused.
    for (size_t n = 0; n < d.size(); ++n) {
        Bytes cut(d.begin(), d.begin() + static_cast<long>(n));
        EXPECT_EQ(readChannelNumber(cut.data(), static_cast<int>(n), &channel), -1) << n;
    }
    EXPECT_EQ(readChannelNumber(nullptr, 0, &channel), -1);
}

}  // namespace
}  // namespace kavri
