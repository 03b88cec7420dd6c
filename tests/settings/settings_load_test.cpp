#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "settings_file.h"

namespace kavri {
namespace {

using SettingsLoad = test::SettingsFileTest;

std::vector<int> window() {
    int x, y, w, h;
    Settings::getWindowPos(&x, &y, &w, &h);
    return {x, y, w, h};
}

std::vector<int> btAddress() {
    uint8_t b[6];
    Settings::getBtAddress(b);
    return {b[0], b[1], b[2], b[3], b[4], b[5]};
}

const std::vector<int> kDefaultWindow = {200, 200, 500, 300};

TEST_F(SettingsLoad, MissingFileGivesTheDefaultsAndKeepsTheBtAddress) {
    const uint8_t address[6] = {1, 2, 3, 4, 5, 6};
    Settings::setBtAddress(address);
    loadFrom(
        "transportType:3\nwifiServerAddr:x\nplayLocally:1\nautoConnect:1\n"
        "controlPort:1\nmediaPort:2\nwindow:1,2,3,4,10\n");
    std::filesystem::remove("settings.dat");
    Settings::load();
    EXPECT_EQ(Settings::getTransportType(), 1);
    EXPECT_STREQ(Settings::getWifiServerAddr(), "");
    EXPECT_FALSE(Settings::isPlayLocally());
    EXPECT_FALSE(Settings::isAutoConnect());
    EXPECT_EQ(Settings::getControlPort(), 8125);
    EXPECT_EQ(Settings::getMediaPort(), 49152);
    EXPECT_EQ(window(), kDefaultWindow);
    EXPECT_EQ(btAddress(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

TEST_F(SettingsLoad, KeyNeedsOnlyToContainItsKeyword) {
    loadFrom("  mediaPort :5000\n\xEF\xBB\xBFtransportType:2\r\nmyautoConnectX:1\n");
    EXPECT_EQ(Settings::getMediaPort(), 5000);
    EXPECT_EQ(Settings::getTransportType(), 2);
    EXPECT_TRUE(Settings::isAutoConnect());
    // Case matters; an unknown key and a line without a colon are skipped.
    loadFrom("mediaport:5000\nTransportType:2\nfoo:3\ntransportType\n\n:\ncontrolPort:7");
    EXPECT_EQ(Settings::getMediaPort(), 49152);
    EXPECT_EQ(Settings::getTransportType(), 1);
    EXPECT_EQ(Settings::getControlPort(), 7);
}

TEST_F(SettingsLoad, FirstKeywordInTheFixedOrderDecides) {
    // controlPort is tested before mediaPort, window before btAddress,
    // transportType before everything.
    loadFrom("mediaPortcontrolPort:5\nbtAddresswindow:1,2,3,4,10\nwifiServerAddrtransportType:3\n");
    EXPECT_EQ(Settings::getControlPort(), 5);
    EXPECT_EQ(Settings::getMediaPort(), 49152);
    EXPECT_EQ(window(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(Settings::getTransportType(), 3);
    EXPECT_STREQ(Settings::getWifiServerAddr(), "");
}

TEST_F(SettingsLoad, ValueIsEverythingAfterTheFirstColon) {
    loadFrom("wifiServerAddr:fe80::1\n");
    EXPECT_STREQ(Settings::getWifiServerAddr(), "fe80::1");
    loadFrom("wifiServerAddr: my phone \r\n");
    EXPECT_STREQ(Settings::getWifiServerAddr(), " my phone ");
    loadFrom("wifiServerAddr:\n");
    EXPECT_STREQ(Settings::getWifiServerAddr(), "");
}

TEST_F(SettingsLoad, OverlongAddressIsCutToTwoHundredFiftyFiveBytes) {
    const std::string address(100000, 'a');
    loadFrom("wifiServerAddr:" + address + "\r\ncontrolPort:9\r\n");
    EXPECT_EQ(std::string(Settings::getWifiServerAddr()), address.substr(0, 255));
    EXPECT_EQ(Settings::getControlPort(), 9);
}

TEST_F(SettingsLoad, LongLinesAreReadWhole) {
    loadFrom(std::string(70000, ' ') + "controlPort:" + std::string(70000, ' ') + "42\n" +
             std::string(70000, 'k') + "mediaPort:43");
    EXPECT_EQ(Settings::getControlPort(), 42);
    EXPECT_EQ(Settings::getMediaPort(), 43);
}

TEST_F(SettingsLoad, IntegersFollowAtoi) {
    const std::pair<const char*, int> cases[] = {
        {" \t-12abc", -12},
        {"+7", 7},
        {"abc", 0},
        {"", 0},
        {"- 5", 0},
        {"0x10", 0},
        {"65536", 65536},
        {"2147483647", 2147483647},
        {"99999999999999999999", 2147483647},
        {"-2147483648", INT_MIN},
        {"-99999999999999999999", INT_MIN},
    };
    for (const auto& [text, value] : cases) {
        loadFrom(std::string("controlPort:") + text + "\n");
        EXPECT_EQ(Settings::getControlPort(), value) << text;
    }
}

TEST_F(SettingsLoad, BooleansAreTrueWhenTheValueHoldsAOne) {
    const std::pair<const char*, bool> cases[] = {{"true", false}, {"1", true}, {"10", true},
                                                  {"0", false},    {"", false}, {" x1y", true}};
    for (const auto& [text, value] : cases) {
        loadFrom(std::string("playLocally:") + text + "\nautoConnect:" + text);
        EXPECT_EQ(Settings::isPlayLocally(), value) << text;
        EXPECT_EQ(Settings::isAutoConnect(), value) << text;
    }
}

TEST_F(SettingsLoad, WindowNeedsAMatchingCheckSum) {
    loadFrom("window:10,20,30,40,100\n");
    EXPECT_EQ(window(), (std::vector<int>{10, 20, 30, 40}));
    loadFrom("window:10,20,30,40,99\n");
    EXPECT_EQ(window(), kDefaultWindow);
    loadFrom("window:-100,-100,600,320,720\n");
    EXPECT_EQ(window(), (std::vector<int>{-100, -100, 600, 320}));
    loadFrom("window: 1, 2,\t3, 4, 10\n");
    EXPECT_EQ(window(), (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(SettingsLoad, ShortWindowLinesKeepWhatWasThereBefore) {
    // Unread numbers keep their targets, and the check sum starts at 0.
    loadFrom("window:10,20\n");
    EXPECT_EQ(window(), kDefaultWindow);
    loadFrom("window:1 ,2,3,4,10\n");
    EXPECT_EQ(window(), kDefaultWindow);
    // -200 + 200 - 300 + 300 is 0, which the missing check sum equals.
    loadFrom("window:-200,200,-300\n");
    EXPECT_EQ(window(), (std::vector<int>{-200, 200, -300, 300}));
    loadFrom("window:1,2,3,4,10\nwindow:-1,1,-4\n");
    EXPECT_EQ(window(), (std::vector<int>{-1, 1, -4, 4}));
}

TEST_F(SettingsLoad, HugeWindowNumbersAreDefined) {
    loadFrom("window:2147483647,2147483647,2147483647,2147483647,-4\n");
    EXPECT_EQ(window(), (std::vector<int>{2147483647, 2147483647, 2147483647, 2147483647}));
    loadFrom("window:-2147483648,-2147483648,0,0,0\n");
    EXPECT_EQ(window(), (std::vector<int>{INT_MIN, INT_MIN, 0, 0}));
    loadFrom("window:99999999999999999999,1,2,3,99999999999999999999\n");
    EXPECT_EQ(window(), kDefaultWindow);
}

TEST_F(SettingsLoad, BtAddressDotsAndEightBits) {
    loadFrom("btAddress:255.128.0.1.2.3\n");
    EXPECT_EQ(btAddress(), (std::vector<int>{0xFF, 0x80, 0x00, 0x01, 0x02, 0x03}));
    loadFrom("btAddress:300.1.2.3.4.556\n");
    EXPECT_EQ(btAddress(), (std::vector<int>{44, 1, 2, 3, 4, 44}));
    loadFrom("btAddress:1.2.3\n");
    EXPECT_EQ(btAddress(), (std::vector<int>{1, 2, 3, 3, 3, 3}));
    loadFrom("btAddress:-1. 7.x.9..\n");
    EXPECT_EQ(btAddress(), (std::vector<int>{255, 7, 0, 9, 0, 0}));
    loadFrom("btAddress:\n");
    EXPECT_EQ(btAddress(), (std::vector<int>{0, 0, 0, 0, 0, 0}));
}

TEST_F(SettingsLoad, LaterLinesWinAndLineEndsVary) {
    loadFrom("controlPort:1\r\ncontrolPort:2\nmediaPort:3\r\n\r\nmediaPort:4");
    EXPECT_EQ(Settings::getControlPort(), 2);
    EXPECT_EQ(Settings::getMediaPort(), 4);
    loadFrom("wifiServerAddr:phone");
    EXPECT_STREQ(Settings::getWifiServerAddr(), "phone");
    loadFrom("wifiServerAddr:phone\r\n");
    EXPECT_STREQ(Settings::getWifiServerAddr(), "phone");
}

}  // namespace
}  // namespace kavri
