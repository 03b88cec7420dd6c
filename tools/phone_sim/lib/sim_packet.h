#pragma once

#include <cstdint>

namespace kavri {

constexpr int MEDIA_HEADER_SIZE = 6;

// One media packet as the phone writes it: a 6-byte header and the payload.
struct SimPacket {
    bool checkByteFormat = false;  // protocol version 3
    uint32_t headerWord = 0;       // the packet's sequence number
    const uint8_t* payload = nullptr;
    int payloadLength = 0;
    int announcedLength = -1;  // what the header claims; -1: payloadLength
    bool badCheck = false;     // a check byte that does not match
};

// The exclusive-or of all bytes: the check byte that makes the packet fold to 0.
uint8_t xorOf(const uint8_t* bytes, int length);

// Writes header and payload into out. Returns the bytes written, or -1 when
// they do not fit in capacity.
int buildMediaPacket(const SimPacket& packet, uint8_t* out, int capacity);

}  // namespace kavri
