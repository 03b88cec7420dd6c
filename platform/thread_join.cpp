#include "platform/thread_join.h"

#include <cstdio>

namespace kavri {

void kv_thread_join(std::thread& thread) {
    const int error = waitForThreadEnd(thread);
    if (error == 0) {
        return;
    }
    std::fprintf(stderr, "kv_thread_join failed: %d\n", error);
    // A still joinable std::thread would end the program when it is replaced
    // or destroyed.
    if (thread.joinable()) {
        thread.detach();
    }
}

}  // namespace kavri
