#include "ui/status_texts.h"

#include <gtest/gtest.h>

#include <string>

namespace kavri {
namespace {

TEST(StatusTexts, EveryStateHasItsText) {
    EXPECT_EQ(std::wstring(stateText(0)), L"Disconnected");
    EXPECT_EQ(std::wstring(stateText(1)), L"Connecting...");
    EXPECT_EQ(std::wstring(stateText(2)), L"Connected");
    EXPECT_EQ(std::wstring(stateText(3)), L"Disconencting...");
    EXPECT_EQ(std::wstring(stateText(4)), L"Aborting...");
    EXPECT_EQ(std::wstring(stateText(5)), L"Auto connecting...");
    EXPECT_EQ(std::wstring(stateText(6)), L"Unknown state");
    EXPECT_EQ(std::wstring(stateText(-1)), L"Unknown state");
}

TEST(StatusTexts, TransportNamesAndEmptyForOthers) {
    EXPECT_EQ(std::wstring(transportText(1)), L"Bluetooth");
    EXPECT_EQ(std::wstring(transportText(2)), L"USB");
    EXPECT_EQ(std::wstring(transportText(3)), L"WI-FI");
    EXPECT_EQ(std::wstring(transportText(0)), L"");
    EXPECT_EQ(std::wstring(transportText(4)), L"");
    EXPECT_EQ(std::wstring(transportText(-3)), L"");
}

}  // namespace
}  // namespace kavri
