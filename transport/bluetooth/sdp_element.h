#pragma once

#include <cstdint>

namespace kavri {

// SDP data element types as they appear on the wire (upper five bits of an
// element's first byte).
constexpr int SDP_TYPE_NIL = 0;
constexpr int SDP_TYPE_UINT = 1;
constexpr int SDP_TYPE_INT = 2;
constexpr int SDP_TYPE_UUID = 3;
constexpr int SDP_TYPE_STRING = 4;
constexpr int SDP_TYPE_BOOLEAN = 5;
constexpr int SDP_TYPE_SEQUENCE = 6;
constexpr int SDP_TYPE_ALTERNATIVE = 7;
constexpr int SDP_TYPE_URL = 8;

// One data element found inside a byte range. Every pointer stays inside the
// range it was read from: an element whose lengths reach past it is refused.
struct SdpElement {
    const uint8_t* start = nullptr;  // the element's first header byte
    int size = 0;                    // header and value bytes together
    int type = SDP_TYPE_NIL;
    const uint8_t* value = nullptr;  // the value bytes (a container's elements)
    int length = 0;                  // count of value bytes

    bool isContainer() const { return type == SDP_TYPE_SEQUENCE || type == SDP_TYPE_ALTERNATIVE; }
};

// Reads the element at the start of bytes[0, available). False when the
// header is not a valid type and size pair or the element does not fit.
bool readSdpElement(const uint8_t* bytes, int available, SdpElement* out);

// Steps through a sequence's or alternative's elements. cursor starts at 0;
// false at the end, on a malformed element, or when container holds none.
bool nextSdpElement(const SdpElement& container, int* cursor, SdpElement* out);

// The value of attribute id in a service record, which is a sequence of
// pairs of a 16-bit unsigned attribute id and a value element.
bool findSdpAttribute(const uint8_t* record, int length, uint16_t id, SdpElement* out);

// The 16-bit form of a UUID element: the value of a 16-bit UUID, the low 16
// bits of a 32-bit one, of a 128-bit one the low 16 bits of its first 32 bits.
// False for elements that are not UUIDs.
bool sdpUuid16(const SdpElement& element, uint16_t* out);

}  // namespace kavri
