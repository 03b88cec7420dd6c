#pragma once

#include <cstdint>

namespace kavri {

// Parsing of raw SDP service records as the phone's service lookup returns
// them. Every read is bounded by the record's length and by each element's
// own length, whatever the record claims.

constexpr uint16_t SDP_ATTRIBUTE_PROTOCOL_DESCRIPTOR_LIST = 0x0004;
// Primary language base 0x0100 plus the service name offset 0.
constexpr uint16_t SDP_ATTRIBUTE_SERVICE_NAME = 0x0100;
constexpr uint16_t RFCOMM_PROTOCOL_UUID = 0x0003;
// Wide service names hold this many code units, the terminator included.
constexpr int SERVICE_NAME_UNITS = 256;

// The record's service name, zero-terminated. When the record has none, it
// is not text, or it needs more than SERVICE_NAME_UNITS - 1 code units, the
// name is empty and the result false.
bool readServiceName(const uint8_t* record, int length, char16_t name[SERVICE_NAME_UNITS]);

// 0 when the record matches (any name with skipNameCheck, else exactly
// wantedName) and its protocol descriptor list yields an RFCOMM channel,
// stored in *channel; -1 otherwise. Prints its steps on standard output.
int parseServiceRecord(const uint8_t* record, int length, const char* wantedName,
                       bool skipNameCheck, uint8_t* channel);

// The channel number in one protocol descriptor (a whole sequence element):
// its second element, which must be an unsigned integer. 0, or -1.
int readChannelNumber(const uint8_t* descriptor, int length, uint8_t* channel);

}  // namespace kavri
