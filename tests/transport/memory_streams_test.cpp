#include <gtest/gtest.h>

#include "transport/input_control_stream.h"
#include "transport/output_control_stream.h"

namespace kavri {
namespace {

const uint8_t kTenBytes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

TEST(InputControlStream, BigEndianReadsWalkTheBytes) {
    InputControlStream in(kTenBytes, 10);
    ASSERT_EQ(in.open(), 0);
    EXPECT_EQ(in.read1(), 0x00);
    EXPECT_EQ(in.read2(), 0x0102);
    EXPECT_EQ(in.read4(), 0x03040506u);
    EXPECT_EQ(in.read1(), 0x07);
    EXPECT_EQ(in.read2(), 0x0809);
    try {
        in.read1();
        FAIL() << "read past the end did not throw";
    } catch (int code) {
        EXPECT_EQ(code, EXCEPTION_END_OF_FILE);
    }
}

TEST(InputControlStream, SkipConsumesAndShortSkipConsumesNothing) {
    InputControlStream in(kTenBytes, 10);
    in.open();
    EXPECT_EQ(in.read1(), 0x00);
    in.skip(1);
    EXPECT_EQ(in.read1(), 0x02);
    in.skip(4);
    EXPECT_EQ(in.read1(), 0x07);
    EXPECT_THROW(in.skip(4), int);
    EXPECT_EQ(in.remaining(), 2);
    EXPECT_EQ(in.read2(), 0x0809);
}

TEST(InputControlStream, KeepsAtMost256BytesAndZeroReadsAreFree) {
    uint8_t big[300];
    for (int i = 0; i < 300; ++i)
        big[i] = static_cast<uint8_t>(i);
    InputControlStream in(big, 300);
    EXPECT_EQ(in.remaining(), 256);
    in.read(nullptr, 0);
    in.read(nullptr, -5);
    EXPECT_EQ(in.remaining(), 256);
    in.skip(255);
    EXPECT_EQ(in.read1(), 255);
    EXPECT_THROW(in.read1(), int);
}

TEST(OutputControlStream, AppendsWritesAndHelpersInOrder) {
    OutputControlStream out;
    ASSERT_EQ(out.open(), 0);
    const uint8_t a[] = {1}, b[] = {2, 3}, c[] = {4, 5, 6, 7};
    out.write(a, 1);
    out.write(b, 2);
    out.write(c, 4);
    ASSERT_EQ(out.getCount(), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(out.getByte(i), i + 1);

    out.open();
    out.write1(0x02);
    out.write4(0x03040506);
    ASSERT_EQ(out.getCount(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(out.getByte(i), i + 2);
}

TEST(OutputControlStream, RefusesWritesPastItsBuffer) {
    OutputControlStream out;
    out.open();
    uint8_t block[200] = {};
    out.write(block, 200);
    EXPECT_THROW(out.write(block, 57), int);
    EXPECT_EQ(out.getCount(), 200);
    out.write(block, 56);
    EXPECT_EQ(out.getCount(), 256);
    try {
        out.write1(1);
        FAIL();
    } catch (int code) {
        EXPECT_EQ(code, EXCEPTION_END_OF_FILE);
    }
}

}  // namespace
}  // namespace kavri
