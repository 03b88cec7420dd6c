#include "ui/port_text.h"

#include <gtest/gtest.h>

#include <climits>

namespace kavri {
namespace {

TEST(PortText, ReadsLikeWtoi) {
    EXPECT_EQ(portFromText(L"8125"), 8125);
    EXPECT_EQ(portFromText(L"abc"), 0);
    EXPECT_EQ(portFromText(L""), 0);
    EXPECT_EQ(portFromText(L" \t\n49152"), 49152);
    EXPECT_EQ(portFromText(L"-12x3"), -12);
    EXPECT_EQ(portFromText(L"+7"), 7);
    EXPECT_EQ(portFromText(L"- 7"), 0);
    EXPECT_EQ(portFromText(L"0x10"), 0);
    EXPECT_EQ(portFromText(L"00080"), 80);
    EXPECT_EQ(portFromText(nullptr), 0);
}

TEST(PortText, OutOfRangeSaturates) {
    EXPECT_EQ(portFromText(L"2147483647"), INT_MAX);
    EXPECT_EQ(portFromText(L"-2147483648"), INT_MIN);
    EXPECT_EQ(portFromText(L"2147483648"), INT_MAX);
    EXPECT_EQ(portFromText(L"-99999999999999999999999"), INT_MIN);
    EXPECT_EQ(portFromText(L"99999999999999999999999999999"), INT_MAX);
}

}  // namespace
}  // namespace kavri
