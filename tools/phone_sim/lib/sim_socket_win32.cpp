#include "tools/phone_sim/lib/sim_socket.h"

namespace kavri::simsock {

bool setNonBlocking(SimSocket::Handle handle) {
    u_long on = 1;
    return ioctlsocket(handle, FIONBIO, &on) == 0;
}

// SO_REUSEADDR on Windows lets another process steal the port; leave it off.
void allowAddressReuse(SimSocket::Handle) {}

bool lastErrorWouldBlock() {
    return WSAGetLastError() == WSAEWOULDBLOCK;
}

int waitWritable(SimSocket::Handle handle, int timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(handle, &set);
    timeval tv{};
    tv.tv_sec = timeoutMs / 1000;
    tv.tv_usec = (timeoutMs % 1000) * 1000;
    const int r = select(0, nullptr, &set, nullptr, &tv);
    return r > 0 ? 1 : (r == 0 ? 0 : -1);
}

}  // namespace kavri::simsock
