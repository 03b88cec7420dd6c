// Media packets in datagram mode (Wi-Fi): the real UDP media stream on
// loopback. Input: one flags byte (bit 0: check-byte format, bit 1: accept
// media only from the phone's host), then datagrams, each a 2-byte big-endian
// length (bit 15: sent from another host, 127.0.0.2) and that many bytes.
//
// Waiting is the one thing changed (the link wraps waitReadable and
// receiveDatagram): once every datagram sent has been received, a wait ends
// at once, so the end of the input is a time-out without the 3 s of the real
// one.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "fuzz/fuzz_byte_stream.h"
#include "fuzz/media_packet_reads.h"
#include "transport/wifi/wifi_media_stream.h"

namespace {

constexpr int MAX_DATAGRAMS = 32;
constexpr int SAME_HOST_WAIT_MS = 1000;

int g_sent = 0;
int g_received = 0;
int g_phone = -1;     // bound to 127.0.0.1
int g_stranger = -1;  // bound to 127.0.0.2, or -1 where that cannot be bound

int boundSender(const char* address) {
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = inet_addr(address);
    if (s >= 0 && ::bind(s, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

sockaddr_storage loopbackPeer() {
    sockaddr_storage peer = {};
    auto& v4 = reinterpret_cast<sockaddr_in&>(peer);
    v4.sin_family = AF_INET;
    v4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return peer;
}

void sendDatagrams(const uint8_t* data, size_t size, int port) {
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    size_t at = 0;
    for (int i = 0; i < MAX_DATAGRAMS && at + 2 <= size; ++i) {
        const bool fromStranger = (data[at] & 0x80) != 0 && g_stranger >= 0;
        const size_t length = std::min<size_t>((data[at] & 0x7F) << 8 | data[at + 1], size - at - 2);
        at += 2;
        const ssize_t n = ::sendto(fromStranger ? g_stranger : g_phone, data + at, length, 0,
                                   reinterpret_cast<const sockaddr*>(&to), sizeof to);
        if (n >= 0) {
            ++g_sent;
        }
        at += length;
    }
}

}  // namespace

extern "C" int __real__ZN5kavri12waitReadableEii(int s, int timeoutMs);
extern "C" int __wrap__ZN5kavri12waitReadableEii(int s, int timeoutMs) {
    if (g_received >= g_sent) {
        return 0;
    }
    return __real__ZN5kavri12waitReadableEii(s, std::min(timeoutMs, SAME_HOST_WAIT_MS));
}

extern "C" int __real__ZN5kavri15receiveDatagramEiPviP16sockaddr_storage(int s, void* data,
                                                                          int capacity,
                                                                          sockaddr_storage* from);
extern "C" int __wrap__ZN5kavri15receiveDatagramEiPviP16sockaddr_storage(int s, void* data,
                                                                          int capacity,
                                                                          sockaddr_storage* from) {
    const int n = __real__ZN5kavri15receiveDatagramEiPviP16sockaddr_storage(s, data, capacity, from);
    // An oversized datagram is taken off the socket too.
    if (n >= 0 || errno == EMSGSIZE) {
        ++g_received;
    }
    return n;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_phone = boundSender("127.0.0.1");
    g_stranger = boundSender("127.0.0.2");
    kavri::fuzzRequire(g_phone >= 0, "a loopback sender can be bound");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace kavri;
    if (size < 1) {
        return 0;
    }
    const bool checked = (data[0] & 1) != 0;
    auto media = std::make_unique<WifiMediaStream>(0);
    WifiMediaStream* wifi = media.get();
    if ((data[0] & 2) != 0) {
        wifi->allowOnlySender(loopbackPeer());
    }
    auto link = std::make_unique<PhoneLink>();
    if (link->open(std::make_unique<FuzzByteStream>(nullptr, 0), std::move(media)) != 0) {
        return 0;  // no free port just now
    }
    g_sent = 0;
    g_received = 0;
    sendDatagrams(data + 1, size - 1, wifi->getLocalPort());

    const unsigned allowed = 1u << EXCEPTION_TIMEOUT | 1u << EXCEPTION_INCOMPLETE_PACKET |
                             1u << EXCEPTION_RECEIVE_FAILED;
    readMediaPackets(*link, checked, allowed,
                     [wifi] { return wifi->hasAvailable(1) || g_received < g_sent; });
    link->close();
    return 0;
}
