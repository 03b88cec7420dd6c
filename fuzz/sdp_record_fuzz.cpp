// Feeds arbitrary bytes to the service record parser as a record and as a
// single protocol descriptor. Any read outside the input is a finding.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "transport/bluetooth/sdp_element.h"
#include "transport/bluetooth/service_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so reading one byte past the record is caught.
    std::vector<uint8_t> record(data, data + size);
    const int length = static_cast<int>(size > 65536 ? 65536 : size);
    uint8_t channel = 0;
    kavri::parseServiceRecord(record.data(), length, "Kavri", false, &channel);
    kavri::parseServiceRecord(record.data(), length, nullptr, true, &channel);
    kavri::readChannelNumber(record.data(), length, &channel);

    char16_t name[kavri::SERVICE_NAME_UNITS];
    kavri::readServiceName(record.data(), length, name);

    // Walk every element of the outermost container, as deep as the first
    // element of each level goes.
    kavri::SdpElement element;
    const uint8_t* at = record.data();
    int available = length;
    while (kavri::readSdpElement(at, available, &element) && element.isContainer() &&
           element.length > 0) {
        int cursor = 0;
        kavri::SdpElement inner;
        while (kavri::nextSdpElement(element, &cursor, &inner)) {
            uint16_t uuid = 0;
            kavri::sdpUuid16(inner, &uuid);
        }
        at = element.value;
        available = element.length;
    }
    return 0;
}
