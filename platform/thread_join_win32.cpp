#include <pthread.h>
#include <windows.h>

#include <system_error>

#include "platform/thread_join.h"

namespace kavri {

int waitForThreadEnd(std::thread& thread) {
    // What WaitForSingleObject reports for a handle that is not there, and
    // instead of waiting forever on the calling thread itself.
    if (!thread.joinable()) {
        return ERROR_INVALID_HANDLE;
    }
    if (thread.get_id() == std::this_thread::get_id()) {
        return ERROR_POSSIBLE_DEADLOCK;
    }
    // std::thread's join reports the threads library's errno-style codes;
    // the wait on the thread's own handle reports the system's.
    const HANDLE handle = pthread_gethandle(thread.native_handle());
    if (WaitForSingleObject(handle, INFINITE) == WAIT_FAILED) {
        return static_cast<int>(GetLastError());
    }
    try {
        thread.join();  // the thread has ended: this only releases it
    } catch (const std::system_error&) {
        return ERROR_INVALID_HANDLE;
    }
    return 0;
}

}  // namespace kavri
