#include "transport/bluetooth/sdp_element.h"

namespace kavri {

namespace {

constexpr int FIXED_SIZES[5] = {1, 2, 4, 8, 16};

// Value length of a fixed-size element, or -1 when the type does not allow
// the size index.
int fixedLength(int type, int sizeIndex) {
    switch (type) {
        case SDP_TYPE_NIL:
            return sizeIndex == 0 ? 0 : -1;
        case SDP_TYPE_UINT:
        case SDP_TYPE_INT:
            return sizeIndex <= 4 ? FIXED_SIZES[sizeIndex] : -1;
        case SDP_TYPE_UUID:
            return (sizeIndex == 1 || sizeIndex == 2 || sizeIndex == 4) ? FIXED_SIZES[sizeIndex]
                                                                        : -1;
        case SDP_TYPE_BOOLEAN:
            return sizeIndex == 0 ? 1 : -1;
        default:
            return -1;
    }
}

bool isVariableType(int type) {
    return type == SDP_TYPE_STRING || type == SDP_TYPE_SEQUENCE || type == SDP_TYPE_ALTERNATIVE ||
           type == SDP_TYPE_URL;
}

}  // namespace

bool readSdpElement(const uint8_t* bytes, int available, SdpElement* out) {
    if (bytes == nullptr || out == nullptr || available < 1) {
        return false;
    }
    const int type = bytes[0] >> 3;
    const int sizeIndex = bytes[0] & 0x07;
    int header = 1;
    int64_t length = 0;
    if (sizeIndex <= 4) {
        length = fixedLength(type, sizeIndex);
        if (length < 0) {
            return false;
        }
    } else {
        if (!isVariableType(type)) {
            return false;
        }
        const int lengthBytes = 1 << (sizeIndex - 5);  // 1, 2 or 4
        if (available < 1 + lengthBytes) {
            return false;
        }
        for (int i = 0; i < lengthBytes; ++i) {
            length = length << 8 | bytes[1 + i];
        }
        header += lengthBytes;
    }
    // 64-bit, so a lying 32-bit length cannot wrap around.
    if (length > static_cast<int64_t>(available) - header) {
        return false;
    }
    out->start = bytes;
    out->size = header + static_cast<int>(length);
    out->type = type;
    out->value = bytes + header;
    out->length = static_cast<int>(length);
    return true;
}

bool nextSdpElement(const SdpElement& container, int* cursor, SdpElement* out) {
    if (!container.isContainer() || cursor == nullptr || *cursor < 0 ||
        *cursor >= container.length) {
        return false;
    }
    if (!readSdpElement(container.value + *cursor, container.length - *cursor, out)) {
        return false;
    }
    *cursor += out->size;
    return true;
}

bool findSdpAttribute(const uint8_t* record, int length, uint16_t id, SdpElement* out) {
    SdpElement attributes;
    if (!readSdpElement(record, length, &attributes) || attributes.type != SDP_TYPE_SEQUENCE) {
        return false;
    }
    int cursor = 0;
    SdpElement key;
    SdpElement value;
    while (nextSdpElement(attributes, &cursor, &key)) {
        if (key.type != SDP_TYPE_UINT || key.length != 2) {
            return false;
        }
        if (!nextSdpElement(attributes, &cursor, &value)) {
            return false;
        }
        if ((key.value[0] << 8 | key.value[1]) == id) {
            *out = value;
            return true;
        }
    }
    return false;
}

bool sdpUuid16(const SdpElement& element, uint16_t* out) {
    if (element.type != SDP_TYPE_UUID || element.length < 2 || out == nullptr) {
        return false;
    }
    // The 16-bit value sits in the last two bytes of a 2- or 4-byte UUID and
    // in bytes 2 and 3 of a 128-bit one.
    const int at = element.length == 16 ? 2 : element.length - 2;
    *out = static_cast<uint16_t>(element.value[at] << 8 | element.value[at + 1]);
    return true;
}

}  // namespace kavri
