#include "transport/bluetooth/service_record.h"

#include <cstdio>
#include <cstring>

#include "transport/bluetooth/sdp_element.h"
#include "platform/utf_text.h"

namespace kavri {

namespace {

// The narrow copy used for the name comparison: at most this many bytes.
constexpr int CONVERTED_NAME_BYTES = 255;
// Room to print any wide name as UTF-8.
constexpr int PRINTED_NAME_BYTES = (SERVICE_NAME_UNITS - 1) * 3;

}  // namespace

bool readServiceName(const uint8_t* record, int length, char16_t name[SERVICE_NAME_UNITS]) {
    name[0] = 0;
    SdpElement text;
    if (!findSdpAttribute(record, length, SDP_ATTRIBUTE_SERVICE_NAME, &text) ||
        text.type != SDP_TYPE_STRING) {
        return false;
    }
    bool complete = false;
    const int units =
        utf8ToUtf16(text.value, text.length, name, SERVICE_NAME_UNITS - 1, &complete);
    if (!complete) {
        // Too long for the buffer: the lookup gives no name at all.
        name[0] = 0;
        return false;
    }
    name[units] = 0;
    return true;
}

int parseServiceRecord(const uint8_t* record, int length, const char* wantedName,
                       bool skipNameCheck, uint8_t* channel) {
    char16_t name[SERVICE_NAME_UNITS];
    readServiceName(record, length, name);
    char printed[PRINTED_NAME_BYTES + 1];
    printed[utf16ToUtf8(name, SERVICE_NAME_UNITS, printed, PRINTED_NAME_BYTES)] = '\0';
    std::printf("Name: %s\n", printed);

    char converted[CONVERTED_NAME_BYTES + 1];
    converted[utf16ToUtf8(name, SERVICE_NAME_UNITS, converted, CONVERTED_NAME_BYTES)] =
        '\0';
    std::printf("converted name: %s\n", converted);

    if (!skipNameCheck && (wantedName == nullptr || std::strcmp(converted, wantedName) != 0)) {
        return -1;
    }

    SdpElement list;
    if (!findSdpAttribute(record, length, SDP_ATTRIBUTE_PROTOCOL_DESCRIPTOR_LIST, &list)) {
        return -1;
    }
    std::printf("list size: %d\n", list.size);

    int cursor = 0;
    SdpElement descriptor;
    if (!nextSdpElement(list, &cursor, &descriptor)) {
        return -1;
    }
    do {
        std::printf("descriptor size: %d\n", descriptor.size);
        int inner = 0;
        SdpElement protocol;
        if (!nextSdpElement(descriptor, &inner, &protocol)) {
            continue;  // not a sequence, or empty: passed over
        }
        std::printf("type: %d, size: %d\n", protocol.type, 0);
        uint16_t uuid = 0;
        if (sdpUuid16(protocol, &uuid) && uuid == RFCOMM_PROTOCOL_UUID) {
            return readChannelNumber(descriptor.start, descriptor.size, channel);
        }
    } while (nextSdpElement(list, &cursor, &descriptor));
    return -1;
}

int readChannelNumber(const uint8_t* descriptor, int length, uint8_t* channel) {
    SdpElement sequence;
    if (!readSdpElement(descriptor, length, &sequence)) {
        return -1;
    }
    int cursor = 0;
    SdpElement protocol;
    SdpElement number;
    if (!nextSdpElement(sequence, &cursor, &protocol) ||
        !nextSdpElement(sequence, &cursor, &number)) {
        return -1;
    }
    if (number.type != SDP_TYPE_UINT || channel == nullptr) {
        return -1;
    }
    // The low byte of the integer, whatever its width (big-endian on the wire).
    *channel = number.value[number.length - 1];
    return 0;
}

}  // namespace kavri
