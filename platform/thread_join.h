#pragma once

#include <thread>

namespace kavri {

// Waits for the thread without time-out. When the wait fails it writes
// "kv_thread_join failed: <code>" with the system's own error code to
// standard error and lets the thread go, so that the caller can carry on.
void kv_thread_join(std::thread& thread);

// The system's wait: 0 when the thread has ended and been released, otherwise
// the system's error code (GetLastError on Windows, errno natively) with the
// thread left as it was.
int waitForThreadEnd(std::thread& thread);

}  // namespace kavri
