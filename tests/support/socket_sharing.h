#pragma once

#include "platform/socket_compat.h"

namespace kavri::test {

// Whether the socket keeps its port to itself: SO_EXCLUSIVEADDRUSE on
// Windows; on Linux neither SO_REUSEADDR nor SO_REUSEPORT, which is exclusive.
bool keepsPortExclusively(socket_t s);
// Asks to share the address with sockets bound before (SO_REUSEADDR, and
// SO_REUSEPORT where it exists), as another program might.
bool askToShareAddress(socket_t s);

}  // namespace kavri::test
