#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "transport/bluetooth/bluez_device_store.h"

namespace kavri {
namespace {

namespace fs = std::filesystem;

class BluezStore : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kavri_bluez_" +
                std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    void device(const std::string& folder, const std::string* info) {
        fs::create_directories(dir_ / folder);
        if (info != nullptr) {
            std::ofstream(dir_ / folder / "info", std::ios::binary) << *info;
        }
    }
    fs::path dir_;
};

TEST(BluezAddress, TextIsMostSignificantFirst) {
    uint8_t address[6] = {};
    ASSERT_TRUE(parseBluezAddress("00:11:22:33:44:5F", address));
    EXPECT_EQ(address[0], 0x5F);
    EXPECT_EQ(address[5], 0x00);
    ASSERT_TRUE(parseBluezAddress("aa:bb:cc:dd:ee:ff", address));
    EXPECT_EQ(address[0], 0xFF);
    for (const char* bad : {"", "00:11:22:33:44", "00:11:22:33:44:55:66", "00-11-22-33-44-55",
                            "0G:11:22:33:44:55", "cache"}) {
        EXPECT_FALSE(parseBluezAddress(bad, address)) << bad;
    }
}

TEST(BluezInfo, AliasBeforeNameInTheGeneralGroup) {
    EXPECT_EQ(bluezDeviceName("[General]\nName=Pixel 7\nClass=0x5a020c\n"), "Pixel 7");
    EXPECT_EQ(bluezDeviceName("[General]\r\nName=Pixel\r\nAlias=My phone\r\n"), "My phone");
    EXPECT_EQ(bluezDeviceName("[LinkKey]\nName=key\n[General]\nTrusted=true\n"), "");
    EXPECT_EQ(bluezDeviceName(""), "");
}

TEST_F(BluezStore, ListsDevicesWithInfoInAddressOrder) {
    const std::string second = "[General]\nName=Galaxy\n[LinkKey]\nKey=00\n";
    const std::string first = "[General]\nName=Pixel \xC3\xA9\n";
    device("CC:00:00:00:00:02", &second);
    device("AA:00:00:00:00:01", &first);
    device("BB:00:00:00:00:03", nullptr);  // no info file
    device("cache", &first);               // not a device
    BluetoothDeviceList list;
    ASSERT_EQ(loadBluezDevices(dir_.string(), &list), 0);
    ASSERT_EQ(list.getCount(), 2);
    EXPECT_EQ(std::u16string(list.get(0)->name), u"Pixel \u00E9");
    EXPECT_EQ(list.get(0)->address[0], 0x01);
    EXPECT_EQ(list.get(0)->address[5], 0xAA);
    EXPECT_EQ(std::u16string(list.get(1)->name), u"Galaxy");
}

TEST_F(BluezStore, LongNamesAreCut) {
    const std::string info = "[General]\nName=" + std::string(500, 'n') + "\n";
    device("AA:00:00:00:00:01", &info);
    BluetoothDeviceList list;
    ASSERT_EQ(loadBluezDevices(dir_.string(), &list), 0);
    EXPECT_EQ(std::u16string(list.get(0)->name), std::u16string(127, u'n'));
}

TEST_F(BluezStore, NothingFoundLeavesTheListUnchanged) {
    BluetoothDeviceList list;
    const uint8_t address[6] = {1, 2, 3, 4, 5, 6};
    list.append(address, u"kept", 4);
    device("not-an-address", nullptr);
    EXPECT_EQ(loadBluezDevices(dir_.string(), &list), -1);
    EXPECT_EQ(loadBluezDevices((dir_ / "missing").string(), &list), -1);
    ASSERT_EQ(list.getCount(), 1);
    EXPECT_EQ(std::u16string(list.get(0)->name), u"kept");
}

}  // namespace
}  // namespace kavri
