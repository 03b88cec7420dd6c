#include <gtest/gtest.h>

#include <bluetooth/bluetooth.h>
#include <bluetooth/sdp.h>
#include <bluetooth/sdp_lib.h>

#include <cstdlib>
#include <vector>

#include "transport/bluetooth/service_record.h"

namespace kavri {
namespace {

// A serial port record as BlueZ builds it (L2CAP, then RFCOMM with the
// channel), turned into raw bytes the way the Linux lookup does.
std::vector<uint8_t> bluezRecord(const char* name, uint8_t channel) {
    sdp_record_t* record = sdp_record_alloc();
    uuid_t serialPort;
    uuid_t l2cap;
    uuid_t rfcomm;
    sdp_uuid16_create(&serialPort, SERIAL_PORT_SVCLASS_ID);
    sdp_uuid16_create(&l2cap, L2CAP_UUID);
    sdp_uuid16_create(&rfcomm, RFCOMM_UUID);
    sdp_list_t* classes = sdp_list_append(nullptr, &serialPort);
    sdp_set_service_classes(record, classes);

    sdp_data_t* channelData = sdp_data_alloc(SDP_UINT8, &channel);
    sdp_list_t* l2capList = sdp_list_append(nullptr, &l2cap);
    sdp_list_t* rfcommList = sdp_list_append(nullptr, &rfcomm);
    sdp_list_append(rfcommList, channelData);
    sdp_list_t* protocols = sdp_list_append(nullptr, l2capList);
    sdp_list_append(protocols, rfcommList);
    sdp_list_t* access = sdp_list_append(nullptr, protocols);
    sdp_set_access_protos(record, access);
    sdp_set_info_attr(record, name, "provider", "description");

    sdp_buf_t pdu{};
    std::vector<uint8_t> bytes;
    if (sdp_gen_record_pdu(record, &pdu) == 0 && pdu.data != nullptr) {
        bytes.assign(pdu.data, pdu.data + pdu.data_size);
    }
    std::free(pdu.data);
    sdp_data_free(channelData);
    sdp_list_free(l2capList, nullptr);
    sdp_list_free(rfcommList, nullptr);
    sdp_list_free(protocols, nullptr);
    sdp_list_free(access, nullptr);
    sdp_list_free(classes, nullptr);
    sdp_record_free(record);
    return bytes;
}

TEST(BluezRecord, GeneratedRecordYieldsItsNameAndChannel) {
    const std::vector<uint8_t> record = bluezRecord("Kavri", 7);
    ASSERT_FALSE(record.empty());
    uint8_t channel = 0;
    ::testing::internal::CaptureStdout();
    const int result = parseServiceRecord(record.data(), static_cast<int>(record.size()), "Kavri",
                                          false, &channel);
    const std::string output = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(result, 0) << output;
    EXPECT_EQ(channel, 7);
    EXPECT_NE(output.find("Name: Kavri\nconverted name: Kavri\n"), std::string::npos) << output;

    ::testing::internal::CaptureStdout();
    EXPECT_EQ(parseServiceRecord(record.data(), static_cast<int>(record.size()), "kavri", false,
                                 &channel),
              -1);
    ::testing::internal::GetCapturedStdout();
}

}  // namespace
}  // namespace kavri
