#include "tests/support/socket_stream_checks.h"

#include <atomic>
#include <thread>

namespace kavri::test {

namespace {

template <typename F>
int codeOf(F&& f) {
    try {
        f();
    } catch (int code) {
        return code;
    }
    return -1;
}

}  // namespace

WriteFailureWhileReading failWriteWhileReading(ControlStream& stream, socket_t local) {
    using Clock = std::chrono::steady_clock;
    WriteFailureWhileReading outcome;
    std::atomic<bool> reading{false};
    Clock::time_point readEnd;
    std::thread reader([&] {
        uint8_t got[4];
        reading = true;
        outcome.readCode = codeOf([&] { stream.read(got, sizeof got); });
        readEnd = Clock::now();
    });
    while (!reading) {
        std::this_thread::yield();
    }
    // Time for the reader to reach its wait; one that starts only after the
    // write has failed finds the stream closed (EXCEPTION_NOT_OPEN).
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    // How 1 (SD_SEND, SHUT_WR): sends fail at once, the receive side stays
    // open, so only the failed write can end the read early.
    ::shutdown(local, 1);
    const uint8_t block[16] = {};
    outcome.writeCode = codeOf([&] { stream.write(block, sizeof block); });
    const Clock::time_point writeEnd = Clock::now();
    reader.join();
    outcome.readEndedAfter =
        std::chrono::duration_cast<std::chrono::milliseconds>(readEnd - writeEnd);
    return outcome;
}

}  // namespace kavri::test
