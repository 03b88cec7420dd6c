#include "transport/wifi/win_sock_stream.h"

#include "common/result_codes.h"
#include "transport/wifi/socket_routines.h"

namespace kavri {

WinSockStream::WinSockStream(const char* host, int port) : host_(host), port_(port) {}

int WinSockStream::open() {
    adopt(connectTcp(host_, port_));
    return isOpen() ? RESULT_OK : RESULT_CANNOT_CONNECT;
}

bool WinSockStream::getPeerAddress(sockaddr_storage* out) const {
    const socket_t s = currentSocket();
    if (s == INVALID_SOCKET_VALUE || out == nullptr) {
        return false;
    }
    sockaddr_storage peer = {};
    socklen_t length = sizeof peer;
    if (getpeername(s, reinterpret_cast<sockaddr*>(&peer), &length) != 0) {
        return false;
    }
    *out = peer;
    return true;
}

}  // namespace kavri
