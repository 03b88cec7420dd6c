#pragma once

#include <atomic>
#include <cstdint>

namespace kavri {

// Reception figures of the last connection, for the statistics dialog.
// Display figures: read without a lock, each field is written whole.
struct ReceptionStats {
    std::atomic<int32_t> startTime{0};  // ms since midnight UTC when receiving started
    std::atomic<int32_t> endTime{0};    // the same when it ended
    std::atomic<int32_t> rx{0};         // frames received and decoded
    std::atomic<int32_t> maxDelta{0};   // longest gap between two frames, ms
    std::atomic<int32_t> missed{0};     // ticks that found the queue empty
    std::atomic<int32_t> dropped{0};    // frames dropped because the queue was full

    void clear();
};

// The one record of the process.
ReceptionStats& receptionStats();

}  // namespace kavri
