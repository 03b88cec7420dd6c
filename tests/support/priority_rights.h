#pragma once

namespace kavri::test {

// Thread priorities in the terms of currentThreadPriority().
constexpr int NO_CHANGE = -1000;
// Below the ordinary level, which any thread may go to.
extern const int BELOW_NORMAL;
// Where raiseCurrentThreadPriority() puts a thread.
extern const int RAISED;

// Sets the calling thread's priority (in currentThreadPriority() terms).
bool setCurrentThreadPriority(int priority);
// Whether this process may raise a thread above the ordinary level, asked of
// the system independently of the code under test.
bool mayRaiseThreadPriority();

}  // namespace kavri::test
