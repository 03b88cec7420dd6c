#include "tests/support/free_ports.h"

#include "platform/socket_compat.h"
#include "tests/support/loopback_peer.h"
#include "transport/wifi/socket_routines.h"

namespace kavri::test {

int pickFreeUdpPort() {
    const socket_t s = bindUdpSocket(0);
    if (s == INVALID_SOCKET_VALUE) {
        return -1;
    }
    const int port = localPort(s);
    closeSocket(s);
    return port;
}

int unusedTcpPort() {
    TcpListener probe;
    return probe.valid() ? probe.port() : -1;
}

}  // namespace kavri::test
