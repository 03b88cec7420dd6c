#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "tests/support/priority_rights.h"

namespace kavri::test {

// Nice values, negated.
const int BELOW_NORMAL = -3;
const int RAISED = 5;

bool setCurrentThreadPriority(int priority) {
    return setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), -priority) == 0;
}

bool mayRaiseThreadPriority() {
    // CAP_SYS_NICE, or a nice limit that reaches -5 (20 - limit <= -5).
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) == 0 &&
        (data[CAP_SYS_NICE / 32].effective & (1u << (CAP_SYS_NICE % 32))) != 0) {
        return true;
    }
    rlimit limit{};
    return getrlimit(RLIMIT_NICE, &limit) == 0 && limit.rlim_cur >= 25;
}

}  // namespace kavri::test
