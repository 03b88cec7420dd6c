#pragma once

#include <thread>

namespace kavri {

// Waits for the thread without time-out. When the wait fails it writes
// "kv_thread_join failed: <code>" to standard error and lets the thread go,
// so that the caller can carry on.
void kv_thread_join(std::thread& thread);

}  // namespace kavri
