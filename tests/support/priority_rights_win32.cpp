#include <windows.h>

#include "tests/support/priority_rights.h"

namespace kavri::test {

const int BELOW_NORMAL = THREAD_PRIORITY_BELOW_NORMAL;
const int RAISED = THREAD_PRIORITY_HIGHEST;

bool setCurrentThreadPriority(int priority) {
    return SetThreadPriority(GetCurrentThread(), priority) != 0;
}

// Any process may use the highest level of its own priority class.
bool mayRaiseThreadPriority() {
    return true;
}

}  // namespace kavri::test
