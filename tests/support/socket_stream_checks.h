#pragma once

#include <chrono>

#include "platform/socket_compat.h"
#include "transport/control_stream.h"

namespace kavri::test {

// What happened when a write failed while another thread was blocked in a
// read of the same stream.
struct WriteFailureWhileReading {
    int writeCode = -1;
    int readCode = -1;
    // From the failed write to the end of the read.
    std::chrono::milliseconds readEndedAfter{0};
};

// stream has adopted local, whose peer stays connected and silent. A thread
// reads 4 bytes; once it waits, local is shut for sending, so the next write
// fails. The failed write must wake the reader (a receive failure at once,
// not the 5 s time-out) and must not close the handle under it, which
// ThreadSanitizer reports.
WriteFailureWhileReading failWriteWhileReading(ControlStream& stream, socket_t local);

}  // namespace kavri::test
