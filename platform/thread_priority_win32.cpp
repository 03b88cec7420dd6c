#include <windows.h>

#include "platform/thread_priority.h"

namespace kavri {

bool raiseCurrentThreadPriority() {
    return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST) != 0;
}

int currentThreadPriority() {
    return GetThreadPriority(GetCurrentThread());
}

}  // namespace kavri
