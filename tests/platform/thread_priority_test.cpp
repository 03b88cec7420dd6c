#include <gtest/gtest.h>

#include <thread>

#include "platform/thread_priority.h"
#include "tests/support/priority_rights.h"

namespace kavri {
namespace {

struct Raise {
    int before = 0;
    bool raised = false;
    int after = 0;
};

// Raises a fresh thread, first lowered to the given priority where that is
// asked for (lowering is always permitted).
Raise raiseFreshThread(int lowerTo = test::NO_CHANGE) {
    Raise r;
    std::thread([&] {
        if (lowerTo != test::NO_CHANGE) {
            ASSERT_TRUE(test::setCurrentThreadPriority(lowerTo));
        }
        r.before = currentThreadPriority();
        r.raised = raiseCurrentThreadPriority();
        r.after = currentThreadPriority();
    }).join();
    return r;
}

TEST(ThreadPriority, RaisedWherePermitted) {
    // Below normal first, so that a raise that does nothing shows.
    const Raise r = raiseFreshThread(test::BELOW_NORMAL);
    EXPECT_EQ(r.before, test::BELOW_NORMAL);
    if (test::mayRaiseThreadPriority()) {
        EXPECT_TRUE(r.raised);
        EXPECT_EQ(r.after, test::RAISED);
    } else {
        EXPECT_FALSE(r.raised);
        EXPECT_EQ(r.after, r.before);
    }
}

TEST(ThreadPriority, OnlyTheRaisedThreadChanges) {
    const int mine = currentThreadPriority();
    raiseFreshThread();
    EXPECT_EQ(currentThreadPriority(), mine);
}

}  // namespace
}  // namespace kavri
