#include <gtest/gtest.h>

#include <string>

#include "transport/bluetooth/bluetooth_device_list.h"

namespace kavri {
namespace {

const uint8_t ADDRESS[6] = {0x55, 0x44, 0x33, 0x22, 0x11, 0x00};

TEST(BluetoothDeviceList, KeepsEightyDevicesAndDropsTheRest) {
    BluetoothDeviceList list;
    for (int i = 0; i < BluetoothDeviceList::CAPACITY; ++i) {
        const uint8_t address[6] = {static_cast<uint8_t>(i), 0, 0, 0, 0, 0};
        EXPECT_TRUE(list.append(address, u"phone", 5));
    }
    EXPECT_FALSE(list.append(ADDRESS, u"81st", 4));
    EXPECT_EQ(list.getCount(), 80);
    ASSERT_NE(list.get(79), nullptr);
    EXPECT_EQ(list.get(79)->address[0], 79);
    EXPECT_EQ(list.get(80), nullptr);
    EXPECT_EQ(list.get(-1), nullptr);
    list.clear();
    EXPECT_EQ(list.getCount(), 0);
    EXPECT_EQ(list.get(0), nullptr);
}

TEST(BluetoothDeviceList, NamesOf128UnitsOrMoreKeep127AndATerminator) {
    BluetoothDeviceList list;
    const std::u16string n127(127, u'a');
    const std::u16string n128(128, u'b');
    const std::u16string n300(300, u'c');
    list.append(ADDRESS, n127.c_str(), 127);
    list.append(ADDRESS, n128.c_str(), 128);
    list.append(ADDRESS, n300.c_str(), 128);
    EXPECT_EQ(std::u16string(list.get(0)->name), n127);
    EXPECT_EQ(std::u16string(list.get(1)->name), n128.substr(0, 127));
    EXPECT_EQ(std::u16string(list.get(2)->name), n300.substr(0, 127));
    EXPECT_EQ(list.get(2)->name[127], 0);
}

TEST(BluetoothDeviceList, NameStopsAtItsTerminatorOrCount) {
    BluetoothDeviceList list;
    list.append(ADDRESS, u"Pixel\0junk", 10);
    list.append(ADDRESS, u"Galaxy", 3);
    list.append(ADDRESS, nullptr, 5);
    EXPECT_EQ(std::u16string(list.get(0)->name), u"Pixel");
    EXPECT_EQ(std::u16string(list.get(1)->name), u"Gal");
    EXPECT_EQ(std::u16string(list.get(2)->name), u"");
}

TEST(BluetoothDeviceRecord, AddressBytesAreLeastSignificantFirst) {
    BluetoothDeviceRecord record;
    std::copy(ADDRESS, ADDRESS + 6, record.address);
    EXPECT_EQ(record.addressValue(), 0x001122334455ull);
    record.setAddressValue(0xFFFFA1B2C3D4E5F6ull);
    EXPECT_EQ(record.address[0], 0xF6);
    EXPECT_EQ(record.address[5], 0xA1);
    EXPECT_EQ(record.addressValue(), 0xA1B2C3D4E5F6ull);
}

}  // namespace
}  // namespace kavri
