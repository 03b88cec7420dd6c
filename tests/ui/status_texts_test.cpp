#include "ui/status_texts.h"

#include <gtest/gtest.h>

#include <string>

#include "common/transport_type.h"
#include "core/connection_state.h"

namespace kavri {
namespace {

TEST(StatusTexts, EveryStateHasItsText) {
    EXPECT_EQ(std::wstring(stateText(Disconnected)), L"Disconnected");
    EXPECT_EQ(std::wstring(stateText(Connecting)), L"Connecting...");
    EXPECT_EQ(std::wstring(stateText(Connected)), L"Connected");
    EXPECT_EQ(std::wstring(stateText(Disconnecting)), L"Disconencting...");
    EXPECT_EQ(std::wstring(stateText(Aborting)), L"Aborting...");
    EXPECT_EQ(std::wstring(stateText(AutoConnecting)), L"Auto connecting...");
    EXPECT_EQ(std::wstring(stateText(6)), L"Unknown state");
    EXPECT_EQ(std::wstring(stateText(-1)), L"Unknown state");
}

TEST(StatusTexts, TransportNamesAndEmptyForOthers) {
    EXPECT_EQ(std::wstring(transportText(TRANSPORT_BLUETOOTH)), L"Bluetooth");
    EXPECT_EQ(std::wstring(transportText(TRANSPORT_USB)), L"USB");
    EXPECT_EQ(std::wstring(transportText(TRANSPORT_WIFI)), L"WI-FI");
    EXPECT_EQ(std::wstring(transportText(0)), L"");
    EXPECT_EQ(std::wstring(transportText(4)), L"");
    EXPECT_EQ(std::wstring(transportText(-3)), L"");
}

}  // namespace
}  // namespace kavri
