#include "tools/phone_sim/lib/sim_packet.h"

#include <cstddef>
#include <cstring>

namespace kavri {

uint8_t xorOf(const uint8_t* bytes, int length) {
    uint8_t x = 0;
    for (int i = 0; i < length; ++i) {
        x ^= bytes[i];
    }
    return x;
}

int buildMediaPacket(const SimPacket& packet, uint8_t* out, int capacity) {
    const int length = packet.payloadLength;
    if (length < 0 || length > 0xFFFF || MEDIA_HEADER_SIZE + length > capacity ||
        (length > 0 && packet.payload == nullptr)) {
        return -1;
    }
    const uint32_t word = packet.headerWord;
    if (packet.checkByteFormat) {
        uint8_t check = xorOf(packet.payload, length);
        if (packet.badCheck) {
            check ^= 0xFF;
        }
        out[0] = check;
        out[1] = 0;
    } else {
        out[0] = static_cast<uint8_t>(word >> 24);
        out[1] = static_cast<uint8_t>(word >> 16);
    }
    out[2] = static_cast<uint8_t>(word >> 8);
    out[3] = static_cast<uint8_t>(word);
    const int announced = packet.announcedLength >= 0 ? packet.announcedLength : length;
    out[4] = static_cast<uint8_t>(announced >> 8);
    out[5] = static_cast<uint8_t>(announced);
    if (length > 0) {
        std::memcpy(out + MEDIA_HEADER_SIZE, packet.payload, static_cast<size_t>(length));
    }
    return MEDIA_HEADER_SIZE + length;
}

}  // namespace kavri
