// Media packets in datagram mode (Wi-Fi): the real UDP media stream on
// loopback. Input: one flags byte (bit 0: check-byte format; bits 1-2: accept
// media only from the phone's host, given as 1 127.0.0.1, 2 ::1, 3
// ::ffff:127.0.0.1), then datagrams, each a 2-byte big-endian length whose top
// two bits pick the sender (0 and 3: 127.0.0.1, 1: ::1, 2: 127.0.0.2) and that
// many bytes.
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
// By the top two bits of a datagram's length; -1 where that address cannot
// be bound (the phone's address then stands in).
int g_senders[4] = {-1, -1, -1, -1};

int boundSender(int family, const char* address) {
    const int s = ::socket(family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_storage at = {};
    socklen_t length = 0;
    if (family == AF_INET) {
        auto& v4 = reinterpret_cast<sockaddr_in&>(at);
        v4.sin_family = AF_INET;
        inet_pton(AF_INET, address, &v4.sin_addr);
        length = sizeof v4;
    } else {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(at);
        v6.sin6_family = AF_INET6;
        inet_pton(AF_INET6, address, &v6.sin6_addr);
        length = sizeof v6;
    }
    if (s >= 0 && ::bind(s, reinterpret_cast<const sockaddr*>(&at), length) != 0) {
        ::close(s);
        return -1;
    }
    return s;
}

// The host the control connection reached, as the link would have it.
sockaddr_storage phoneHost(int form) {
    sockaddr_storage peer = {};
    if (form == 1) {
        auto& v4 = reinterpret_cast<sockaddr_in&>(peer);
        v4.sin_family = AF_INET;
        inet_pton(AF_INET, "127.0.0.1", &v4.sin_addr);
    } else {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(peer);
        v6.sin6_family = AF_INET6;
        inet_pton(AF_INET6, form == 2 ? "::1" : "::ffff:127.0.0.1", &v6.sin6_addr);
    }
    return peer;
}

void sendDatagrams(const uint8_t* data, size_t size, int port) {
    sockaddr_in to4 = {};
    to4.sin_family = AF_INET;
    to4.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, "127.0.0.1", &to4.sin_addr);
    sockaddr_in6 to6 = {};
    to6.sin6_family = AF_INET6;
    to6.sin6_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET6, "::1", &to6.sin6_addr);
    size_t at = 0;
    for (int i = 0; i < MAX_DATAGRAMS && at + 2 <= size; ++i) {
        const int sender = g_senders[data[at] >> 6] >= 0 ? data[at] >> 6 : 0;
        const size_t length = std::min<size_t>((data[at] & 0x3F) << 8 | data[at + 1], size - at - 2);
        at += 2;
        const bool v6 = sender == 1;
        const ssize_t n =
            ::sendto(g_senders[sender], data + at, length, 0,
                     v6 ? reinterpret_cast<const sockaddr*>(&to6) : reinterpret_cast<const sockaddr*>(&to4),
                     v6 ? sizeof to6 : sizeof to4);
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
    g_senders[0] = boundSender(AF_INET, "127.0.0.1");
    g_senders[1] = boundSender(AF_INET6, "::1");
    g_senders[2] = boundSender(AF_INET, "127.0.0.2");
    g_senders[3] = g_senders[0];
    kavri::fuzzRequire(g_senders[0] >= 0, "a loopback sender can be bound");
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
    const int phoneForm = (data[0] >> 1) & 3;
    if (phoneForm != 0) {
        wifi->allowOnlySender(phoneHost(phoneForm));
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
