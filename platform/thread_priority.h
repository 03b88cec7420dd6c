#pragma once

namespace kavri {

// Raises the calling thread to the highest normal priority, so that a thread
// that drains network buffers runs before ordinary work. Where the system
// does not permit it the thread keeps its priority; returns whether it rose.
bool raiseCurrentThreadPriority();

// The calling thread's priority in the system's own terms (Windows priority
// level, or the negated nice value on Linux): larger is more urgent.
int currentThreadPriority();

}  // namespace kavri
