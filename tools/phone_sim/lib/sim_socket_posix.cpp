#include <fcntl.h>
#include <poll.h>

#include <cerrno>

#include "tools/phone_sim/lib/sim_socket.h"

namespace kavri::simsock {

bool setNonBlocking(SimSocket::Handle handle) {
    const int flags = fcntl(handle, F_GETFL, 0);
    return flags >= 0 && fcntl(handle, F_SETFL, flags | O_NONBLOCK) == 0;
}

void allowAddressReuse(SimSocket::Handle handle) {
    // Lets a restarted simulator take its port while old connections linger.
    const int on = 1;
    setsockopt(handle, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

bool lastErrorWouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

int waitWritable(SimSocket::Handle handle, int timeoutMs) {
    pollfd p = {handle, POLLOUT, 0};
    const int r = ::poll(&p, 1, timeoutMs);
    if (r < 0) {
        return errno == EINTR ? 0 : -1;
    }
    return r > 0 ? ((p.revents & (POLLERR | POLLNVAL)) != 0 ? -1 : 1) : 0;
}

}  // namespace kavri::simsock
