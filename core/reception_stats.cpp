#include "core/reception_stats.h"

namespace kavri {

void ReceptionStats::clear() {
    startTime = 0;
    endTime = 0;
    rx = 0;
    maxDelta = 0;
    missed = 0;
    dropped = 0;
}

ReceptionStats& receptionStats() {
    // Made on first use by the controller or the statistics dialog; the
    // dialog may still read it while the program ends, so it is never freed.
    static ReceptionStats* const stats = new ReceptionStats();
    return *stats;
}

}  // namespace kavri
