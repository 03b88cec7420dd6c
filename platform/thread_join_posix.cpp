#include <cerrno>
#include <system_error>

#include "platform/thread_join.h"

namespace kavri {

int waitForThreadEnd(std::thread& thread) {
    // join() is pthread_join: it throws the errno value pthread_join gave, or
    // EINVAL for no thread at all, without calling it.
    try {
        thread.join();
        return 0;
    } catch (const std::system_error& e) {
        return e.code().value() != 0 ? e.code().value() : EINVAL;
    }
}

}  // namespace kavri
