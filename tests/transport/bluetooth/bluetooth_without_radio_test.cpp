#include <gtest/gtest.h>

#include <string>

#include "common/result_codes.h"
#include "bluetooth_radio.h"
#include "transport/bluetooth/bluetooth_device_list.h"
#include "transport/bluetooth/bluetooth_media_stream.h"
#include "transport/bluetooth/bt_device_stream.h"

namespace kavri {
namespace {

int occurrences(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

class BluetoothWithoutRadio : public ::testing::Test {
  protected:
    void SetUp() override {
        if (test::hasBluetoothRadio()) {
            GTEST_SKIP() << "this machine has a Bluetooth radio";
        }
    }
};

TEST_F(BluetoothWithoutRadio, EnumerationFindsNothingAndLeavesTheList) {
    BluetoothDeviceList list;
    const uint8_t address[6] = {1, 2, 3, 4, 5, 6};
    list.append(address, u"kept", 4);
    EXPECT_EQ(list.enumerateDevices(), -1);
    ASSERT_EQ(list.getCount(), 1);
    EXPECT_EQ(std::u16string(list.get(0)->name), u"kept");
}

TEST_F(BluetoothWithoutRadio, ConnectingEndsInMinus5AfterBothAttempts) {
    const uint8_t address[6] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB};
    BtDeviceStream stream(address);
    ::testing::internal::CaptureStdout();
    const int result = stream.open();
    const std::string output = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(result, RESULT_CANNOT_CONNECT);
    EXPECT_FALSE(stream.isOpen());
    // Each attempt fails to find the service.
    EXPECT_EQ(occurrences(output, "The service is not found!\n"), 2) << output;
    EXPECT_EQ(occurrences(output, "Channel number"), 0) << output;
    uint8_t byte = 0;
    EXPECT_THROW(stream.read(&byte, 1), int);
}

}  // namespace
}  // namespace kavri
