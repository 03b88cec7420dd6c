#include "platform/thread_join.h"

#include <cstdio>
#include <system_error>

namespace kavri {

void kv_thread_join(std::thread& thread) {
    try {
        thread.join();
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "kv_thread_join failed: %d\n", e.code().value());
        // A still joinable std::thread would end the program when it is
        // replaced or destroyed.
        if (thread.joinable()) {
            thread.detach();
        }
    }
}

}  // namespace kavri
