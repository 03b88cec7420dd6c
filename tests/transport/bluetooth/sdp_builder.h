#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace kavri::test {

// Builds SDP data elements byte by byte, for hand-made service records.
using Bytes = std::vector<uint8_t>;

inline Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

inline Bytes uint8Element(uint8_t v) {
    return {0x08, v};
}
inline Bytes uint16Element(uint16_t v) {
    return {0x09, static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}
inline Bytes uuid16Element(uint16_t v) {
    return {0x19, static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}
inline Bytes textElement(const std::string& s) {
    Bytes out{0x25, static_cast<uint8_t>(s.size())};
    out.insert(out.end(), s.begin(), s.end());
    return out;
}
// A sequence with a one-byte length.
inline Bytes sequence(std::initializer_list<Bytes> items) {
    Bytes body = cat(items);
    Bytes out{0x35, static_cast<uint8_t>(body.size())};
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

constexpr uint16_t L2CAP = 0x0100;
constexpr uint16_t RFCOMM = 0x0003;

inline Bytes rfcommDescriptor(uint8_t channel) {
    return sequence({uuid16Element(RFCOMM), uint8Element(channel)});
}
inline Bytes l2capDescriptor() {
    return sequence({uuid16Element(L2CAP)});
}

// A serial port service record with this protocol descriptor list and name
// (no name attribute without one).
inline Bytes serviceRecord(const Bytes& protocols, const std::optional<std::string>& name) {
    Bytes body = cat({uint16Element(0x0000),
                      {0x0A, 0x00, 0x01, 0x00, 0x05},  // record handle
                      uint16Element(0x0001),
                      sequence({uuid16Element(0x1101)}),  // serial port class
                      uint16Element(0x0004),
                      protocols});
    if (name) {
        body = cat({body, uint16Element(0x0100), textElement(*name)});
    }
    Bytes out{0x35, static_cast<uint8_t>(body.size())};
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace kavri::test
