#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "settings/settings.h"
#include "settings_file.h"

namespace kavri {
namespace {

using SettingsSave = test::SettingsFileTest;

const char kDefaultsFile[] =
    "transportType:1\r\n"
    "wifiServerAddr:127.0.0.1\r\n"
    "playLocally:0\r\n"
    "controlPort:8125\r\n"
    "mediaPort:49152\r\n"
    "autoConnect:0\r\n"
    "window:200,200,500,300,1200\r\n"
    "btAddress:0.0.0.0.0.0\r\n";

void clearBtAddress() {
    const uint8_t zero[6] = {};
    Settings::setBtAddress(zero);
}

TEST_F(SettingsSave, DefaultsAfterAMissingFileAreTheEightLines) {
    clearBtAddress();
    Settings::load();
    Settings::save();
    std::string expected = kDefaultsFile;
    expected.replace(expected.find("127.0.0.1"), 9, "");
    EXPECT_EQ(readFile(), expected);

    Settings::setWifiServerAddr("127.0.0.1");
    Settings::save();
    EXPECT_EQ(readFile(), kDefaultsFile);
}

TEST_F(SettingsSave, ReplacesALongerEarlierFile) {
    clearBtAddress();
    Settings::load();
    Settings::setWifiServerAddr("127.0.0.1");
    writeFile(std::string(5000, 'x'));
    Settings::save();
    EXPECT_EQ(readFile(), kDefaultsFile);
}

TEST_F(SettingsSave, EveryValueSurvivesARoundTrip) {
    Settings::load();
    Settings::setTransportType(TRANSPORT_WIFI);
    Settings::setWifiServerAddr("fe80::1%wlan0");
    Settings::setPlayLocally(true);
    Settings::setAutoConnect(true);
    Settings::setControlPort(0);
    Settings::setMediaPort(-7);
    Settings::setWindowPos(-100, -100, 600, 320);
    const uint8_t address[6] = {0xFF, 0x80, 0x00, 0x01, 0x02, 0x03};
    Settings::setBtAddress(address);
    Settings::save();
    EXPECT_EQ(readFile(),
              "transportType:3\r\n"
              "wifiServerAddr:fe80::1%wlan0\r\n"
              "playLocally:1\r\n"
              "controlPort:0\r\n"
              "mediaPort:-7\r\n"
              "autoConnect:1\r\n"
              "window:-100,-100,600,320,720\r\n"
              "btAddress:255.128.0.1.2.3\r\n");

    clearBtAddress();
    Settings::load();
    EXPECT_EQ(Settings::getTransportType(), 3);
    EXPECT_STREQ(Settings::getWifiServerAddr(), "fe80::1%wlan0");
    EXPECT_TRUE(Settings::isPlayLocally());
    EXPECT_TRUE(Settings::isAutoConnect());
    EXPECT_EQ(Settings::getControlPort(), 0);
    EXPECT_EQ(Settings::getMediaPort(), -7);
    int x, y, w, h;
    Settings::getWindowPos(&x, &y, &w, &h);
    EXPECT_EQ((std::vector<int>{x, y, w, h}), (std::vector<int>{-100, -100, 600, 320}));
    uint8_t loaded[6];
    Settings::getBtAddress(loaded);
    EXPECT_EQ(std::memcmp(loaded, address, 6), 0);
}

TEST_F(SettingsSave, HugeWindowValuesWrapTheCheckSumAndComeBack) {
    Settings::load();
    Settings::setWindowPos(2147483647, 2147483647, 2147483647, 2147483647);
    Settings::save();
    EXPECT_NE(readFile().find("window:2147483647,2147483647,2147483647,2147483647,-4\r\n"),
              std::string::npos);
    Settings::load();
    int x, y, w, h;
    Settings::getWindowPos(&x, &y, &w, &h);
    EXPECT_EQ((std::vector<int>{x, y, w, h}),
              (std::vector<int>{2147483647, 2147483647, 2147483647, 2147483647}));
}

TEST_F(SettingsSave, AddressIsKeptToTwoHundredFiftyFiveBytes) {
    const std::string longText(300, 'a');
    Settings::setWifiServerAddr(longText.c_str());
    EXPECT_EQ(std::string(Settings::getWifiServerAddr()), longText.substr(0, 255));
    Settings::setWifiServerAddr(nullptr);
    EXPECT_STREQ(Settings::getWifiServerAddr(), "");
}

TEST_F(SettingsSave, TransportTypesAreWrittenAsTheNumbersTheFileHolds) {
    // Files written by earlier versions keep working only with these numbers.
    const std::pair<int, const char*> cases[] = {{TRANSPORT_BLUETOOTH, "transportType:1\r\n"},
                                                 {TRANSPORT_USB, "transportType:2\r\n"},
                                                 {TRANSPORT_WIFI, "transportType:3\r\n"}};
    for (const auto& [type, line] : cases) {
        Settings::setTransportType(type);
        Settings::save();
        EXPECT_EQ(readFile().rfind(line, 0), 0u) << line;
        Settings::load();
        EXPECT_EQ(Settings::getTransportType(), type);
    }
}

std::vector<std::string> entriesOf(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(SettingsSave, UnwritableFileChangesNothing) {
    // A directory in the file's place cannot be opened for writing, by an
    // administrator neither.
    namespace fs = std::filesystem;
    clearBtAddress();
    Settings::load();
    Settings::setTransportType(TRANSPORT_USB);
    Settings::setWifiServerAddr("10.0.0.7");
    Settings::setControlPort(9000);
    fs::create_directory("settings.dat");
    std::ofstream("settings.dat/kept") << "untouched";
    Settings::save();

    // No file beside it or inside it, nothing replaced.
    EXPECT_EQ(entriesOf("."), std::vector<std::string>{"settings.dat"});
    EXPECT_EQ(entriesOf("settings.dat"), std::vector<std::string>{"kept"});
    std::ifstream kept("settings.dat/kept");
    std::string content;
    std::getline(kept, content);
    EXPECT_EQ(content, "untouched");
    kept.close();

    // The values stayed in memory: once the way is clear they are written.
    fs::remove_all("settings.dat");
    Settings::save();
    std::string expected = kDefaultsFile;
    expected.replace(expected.find("transportType:1"), 15, "transportType:2");
    expected.replace(expected.find("127.0.0.1"), 9, "10.0.0.7");
    expected.replace(expected.find("controlPort:8125"), 16, "controlPort:9000");
    EXPECT_EQ(readFile(), expected);
}

}  // namespace
}  // namespace kavri
