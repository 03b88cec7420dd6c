#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

#include "platform/thread_priority.h"

namespace kavri {

namespace {

// Linux applies nice values per thread. -5 is a clear step above ordinary
// threads without competing with the audio server.
constexpr int RAISED_NICE = -5;

}  // namespace

bool raiseCurrentThreadPriority() {
    if (currentThreadPriority() >= -RAISED_NICE) {
        return true;  // already at least that urgent
    }
    // Unprivileged processes may not lower a nice value; they just keep it.
    return setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), RAISED_NICE) == 0;
}

int currentThreadPriority() {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    return -nice;
}

}  // namespace kavri
