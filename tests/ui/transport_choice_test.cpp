#include "ui/transport_choice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/transport_type.h"
#include "settings/settings.h"

namespace kavri {
namespace {

using Address = std::vector<uint8_t>;

BluetoothDeviceList makeList(const std::vector<Address>& addresses) {
    BluetoothDeviceList list;
    for (const Address& a : addresses)
        list.append(a.data(), u"phone", 5);
    return list;
}

const Address kFirst = {1, 2, 3, 4, 5, 6};
const Address kSecond = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
const Address kThird = {7, 8, 9, 10, 11, 12};

TEST(TransportChoiceInit, ListOpensOnTheLastDeviceMatchingFourBytes) {
    const uint8_t second[6] = {0x11, 0x22, 0x33, 0x44, 0, 0};
    EXPECT_EQ(initialDeviceIndex(makeList({kFirst, kSecond, kThird}), second), 1);
    EXPECT_EQ(initialDeviceIndex(makeList({kSecond, kFirst, kSecond}), second), 2);
    const uint8_t none[6] = {0x11, 0x22, 0x33, 0x45, 0x55, 0x66};
    EXPECT_EQ(initialDeviceIndex(makeList({kFirst, kSecond, kThird}), none), 0);
    EXPECT_EQ(initialDeviceIndex(makeList({}), second), 0);
}

TEST(TransportChoiceInit, RadioFollowsTheTransportType) {
    EXPECT_EQ(initialRadio(TRANSPORT_BLUETOOTH, 3), TransportRadio::Bluetooth);
    EXPECT_EQ(initialRadio(TRANSPORT_BLUETOOTH, 0), TransportRadio::None);
    EXPECT_EQ(initialRadio(TRANSPORT_USB, 0), TransportRadio::Usb);
    EXPECT_EQ(initialRadio(TRANSPORT_WIFI, 0), TransportRadio::WiFi);
    EXPECT_EQ(initialRadio(0, 3), TransportRadio::None);
    EXPECT_EQ(initialRadio(4, 3), TransportRadio::None);
}

class TransportChoiceApply : public ::testing::Test {
  protected:
    const BluetoothDeviceList devices = makeList({kFirst, kSecond, kThird});
    const BluetoothDeviceList noDevices;

    void SetUp() override {
        Settings::getBtAddress(savedBt_);
        savedAddr_ = Settings::getWifiServerAddr();
        savedType_ = Settings::getTransportType();
        const uint8_t bt[6] = {9, 9, 9, 9, 9, 9};
        Settings::setBtAddress(bt);
        Settings::setWifiServerAddr("10.0.0.5");
        Settings::setTransportType(TRANSPORT_WIFI);
    }
    void TearDown() override {
        Settings::setBtAddress(savedBt_);
        Settings::setWifiServerAddr(savedAddr_.c_str());
        Settings::setTransportType(savedType_);
    }
    static std::vector<uint8_t> bt() {
        uint8_t b[6];
        Settings::getBtAddress(b);
        return {b, b + 6};
    }
    void expectUnchanged(int type) {
        EXPECT_EQ(Settings::getTransportType(), type);
        EXPECT_EQ(std::string(Settings::getWifiServerAddr()), "10.0.0.5");
        EXPECT_EQ(bt(), (std::vector<uint8_t>{9, 9, 9, 9, 9, 9}));
    }

  private:
    uint8_t savedBt_[6] = {};
    std::string savedAddr_;
    int savedType_ = 0;
};

TEST_F(TransportChoiceApply, UsbKeepsBothAddresses) {
    applyTransportChoice({TransportRadio::Usb, 1, &devices, u"ignored"});
    expectUnchanged(2);
}

TEST_F(TransportChoiceApply, BluetoothStoresTheSelectedAddress) {
    applyTransportChoice({TransportRadio::Bluetooth, 1, &devices, u""});
    EXPECT_EQ(Settings::getTransportType(), 1);
    EXPECT_EQ(bt(), (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44, 0x55, 0x66}));
    EXPECT_EQ(std::string(Settings::getWifiServerAddr()), "10.0.0.5");
}

TEST_F(TransportChoiceApply, BluetoothWithoutAValidSelectionOrNoRadioChangesNothing) {
    applyTransportChoice({TransportRadio::Bluetooth, -1, &devices, u""});
    applyTransportChoice({TransportRadio::Bluetooth, 3, &devices, u""});
    applyTransportChoice({TransportRadio::Bluetooth, 0, &noDevices, u""});
    applyTransportChoice({TransportRadio::Bluetooth, 0, nullptr, u""});
    applyTransportChoice({TransportRadio::None, 0, &devices, u"1.2.3.4"});
    expectUnchanged(3);
}

TEST_F(TransportChoiceApply, WifiStoresTheAddressAsUtf8EvenWhenEmpty) {
    applyTransportChoice({TransportRadio::WiFi, 0, &devices, u"fe80::1"});
    EXPECT_EQ(std::string(Settings::getWifiServerAddr()), "fe80::1");
    EXPECT_EQ(Settings::getTransportType(), 3);
    applyTransportChoice({TransportRadio::WiFi, 0, &devices, u"t\u00e9l\u00e9phone"});
    EXPECT_EQ(std::string(Settings::getWifiServerAddr()), "t\xC3\xA9l\xC3\xA9phone");
    applyTransportChoice({TransportRadio::WiFi, 0, &devices, u""});
    EXPECT_EQ(std::string(Settings::getWifiServerAddr()), "");
    EXPECT_EQ(bt(), (std::vector<uint8_t>{9, 9, 9, 9, 9, 9}));
}

TEST_F(TransportChoiceApply, LongWifiAddressIsCutToWholeCharactersWithin255Bytes) {
    const std::u16string typed(254, u'\u20ac');  // 762 bytes of UTF-8
    applyTransportChoice({TransportRadio::WiFi, 0, &devices, typed.c_str()});
    const std::string stored = Settings::getWifiServerAddr();
    EXPECT_EQ(stored.size(), 255u);
    EXPECT_EQ(stored.substr(252), "\xE2\x82\xAC");
}

}  // namespace
}  // namespace kavri
