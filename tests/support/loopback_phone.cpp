#include "tests/support/loopback_phone.h"

#include "common/transport_type.h"
#include "settings/settings.h"
#include "tools/phone_sim/lib/sim_packet.h"
#include "tools/phone_sim/lib/sim_socket.h"
#include "transport/phone_link.h"
#include "transport/wifi/socket_routines.h"

namespace kavri::test {

void useWifiPhone(const char* host, int controlPort, int mediaPort) {
    Settings::setTransportType(TRANSPORT_WIFI);
    Settings::setWifiServerAddr(host);
    Settings::setControlPort(controlPort);
    Settings::setMediaPort(mediaPort);
}

VoicePackets::VoicePackets() {
    std::string error;
    ready_ = encoder_.open(32000, "", &error);
}

std::vector<uint8_t> VoicePackets::next(bool checkByteFormat, uint32_t headerWord) {
    uint8_t payload[1000];
    const int length = encoder_.encodeNext(payload, sizeof payload);
    if (length < 0) {
        return {};
    }
    return wrap(checkByteFormat, headerWord, std::vector<uint8_t>(payload, payload + length));
}

std::vector<uint8_t> VoicePackets::wrap(bool checkByteFormat, uint32_t headerWord,
                                        const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> bytes(MEDIA_HEADER_SIZE + payload.size());
    SimPacket packet;
    packet.checkByteFormat = checkByteFormat;
    packet.headerWord = headerWord;
    packet.payload = payload.data();
    packet.payloadLength = static_cast<int>(payload.size());
    const int n = buildMediaPacket(packet, bytes.data(), static_cast<int>(bytes.size()));
    bytes.resize(n < 0 ? 0 : static_cast<size_t>(n));
    return bytes;
}

bool sendDatagramFrom(const std::string& fromAddress, const std::string& toAddress, int port,
                      const std::vector<uint8_t>& bytes) {
    sockaddr_storage from{};
    sockaddr_storage to{};
    if (!SimSocket::parseAddress(fromAddress, 0, &from) ||
        !SimSocket::parseAddress(toAddress, port, &to)) {
        return false;
    }
    SimSocket s = SimSocket::bindUdp(from, nullptr);
    return s.valid() && s.sendTo(bytes.data(), static_cast<int>(bytes.size()), to);
}

bool sourceAddressKept(const std::string& fromAddress) {
    sockaddr_storage local{};
    if (!SimSocket::parseAddress("127.0.0.1", 0, &local)) {
        return false;
    }
    SimSocket receiver = SimSocket::bindUdp(local, nullptr);
    sockaddr_storage bound{};
    if (!receiver.valid() || !receiver.localAddress(&bound)) {
        return false;
    }
    const std::vector<uint8_t> probe = {1};
    if (!sendDatagramFrom(fromAddress, "127.0.0.1", SimSocket::portOf(bound), probe) ||
        receiver.waitReadable(2000) != 1) {
        return false;
    }
    uint8_t byte = 0;
    sockaddr_storage from{};
    return receiver.receiveFrom(&byte, 1, &from) == 1 &&
           SimSocket::formatAddress(from) == fromAddress;
}

}  // namespace kavri::test
