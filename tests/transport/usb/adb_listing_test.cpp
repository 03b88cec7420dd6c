#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "transport/usb/adb_runner.h"

namespace kavri {
namespace {

const std::string HEADER = "List of devices attached\n";

TEST(AdbListing, HeaderWithOnlyLineEndsHasNoDevice) {
    EXPECT_FALSE(adbListingHasDevice(HEADER));
    EXPECT_FALSE(adbListingHasDevice(HEADER + "\n"));
    // Sixteen characters after "attached" are still not enough.
    EXPECT_FALSE(adbListingHasDevice("List of devices attached" + std::string(16, '\n')));
    EXPECT_FALSE(adbListingHasDevice(""));
}

TEST(AdbListing, DeviceLineAfterHeaderIsADevice) {
    EXPECT_TRUE(adbListingHasDevice(HEADER + "0123456789ABCDEF\tdevice\n\n"));
    EXPECT_TRUE(adbListingHasDevice(HEADER + "emulator-5554\tdevice\n"));
    // "device" is enough on its own, however short the rest.
    EXPECT_TRUE(adbListingHasDevice(HEADER + "a\tdevice"));
}

TEST(AdbListing, OtherStateCountsWhenMoreThanSixteenCharactersFollow) {
    EXPECT_TRUE(adbListingHasDevice(HEADER + "R58M123ABC\tunauthorized\n"));
    const std::string seventeen = "List of devices attached\nR58M1\tunauthori\n";
    const std::string sixteen = "List of devices attached\nR58M1\tunauthor\n";
    ASSERT_EQ(seventeen.size() - seventeen.find("attached") - 8, 17u);
    ASSERT_EQ(sixteen.size() - sixteen.find("attached") - 8, 16u);
    EXPECT_TRUE(adbListingHasDevice(seventeen));
    EXPECT_FALSE(adbListingHasDevice(sixteen));
}

TEST(AdbListing, WithoutAttachedTheWholeTextIsSearched) {
    // A hit after the first character counts.
    EXPECT_TRUE(adbListingHasDevice("x device"));
    // A hit at the very start does not, and short texts are not devices.
    EXPECT_FALSE(adbListingHasDevice("device"));
    EXPECT_FALSE(adbListingHasDevice("error: no server"));
    // Failing that, more than 23 characters count.
    EXPECT_FALSE(adbListingHasDevice(std::string(23, 'x')));
    EXPECT_TRUE(adbListingHasDevice(std::string(24, 'x')));
    EXPECT_TRUE(adbListingHasDevice("adb: daemon not running; starting"));
}

TEST(AdbListing, SearchStartsJustAfterTheStartOfAttached) {
    // "device" before "attached" is not looked at; the header's own
    // "devices" comes before it.
    EXPECT_FALSE(adbListingHasDevice("devices attached\n"));
    EXPECT_TRUE(adbListingHasDevice("attached device"));
}

TEST(AdbCommandLines, CarryThePortsInDecimal) {
    EXPECT_EQ(adbForwardCommandLine(8125, 8125), L" -a forward tcp:8125 tcp:8125");
    EXPECT_EQ(adbForwardCommandLine(5000, 6000), L" -a forward tcp:5000 tcp:6000");
    EXPECT_EQ(adbRemoveForwardCommandLine(8125), L" -a forward --remove 8125");
    EXPECT_EQ(adbForwardCommandLine(INT_MIN, INT_MAX),
              L" -a forward tcp:-2147483648 tcp:2147483647");
    EXPECT_EQ(adbRemoveForwardCommandLine(INT_MIN), L" -a forward --remove -2147483648");
}

}  // namespace
}  // namespace kavri
