#pragma once

#include "platform/socket_compat.h"

namespace kavri {

// A TCP connection to the first address the host and port resolve to, or
// INVALID_SOCKET_VALUE.
socket_t connectTcp(const char* host, int port);

// A dual-stack UDP socket bound exclusively to the port on every local
// address, or INVALID_SOCKET_VALUE.
socket_t bindUdpSocket(int port);

}  // namespace kavri
