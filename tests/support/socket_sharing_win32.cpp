#include "tests/support/socket_sharing.h"

namespace kavri::test {

bool keepsPortExclusively(socket_t s) {
    BOOL value = FALSE;
    int length = sizeof value;
    return getsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<char*>(&value),
                      &length) == 0 &&
           value != FALSE;
}

bool askToShareAddress(socket_t s) {
    const BOOL on = TRUE;
    return setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on) ==
           0;
}

}  // namespace kavri::test
