#include "tests/support/socket_sharing.h"

namespace kavri::test {

namespace {

bool isSet(socket_t s, int option) {
    int value = 0;
    socklen_t length = sizeof value;
    return getsockopt(s, SOL_SOCKET, option, &value, &length) == 0 && value != 0;
}

}  // namespace

bool keepsPortExclusively(socket_t s) {
    return !isSet(s, SO_REUSEADDR) && !isSet(s, SO_REUSEPORT);
}

bool askToShareAddress(socket_t s) {
    const int on = 1;
    return setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
           setsockopt(s, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on) == 0;
}

}  // namespace kavri::test
