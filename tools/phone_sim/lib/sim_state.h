#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "tools/phone_sim/lib/phone_simulator.h"

namespace kavri {

// The figures the reports and the waits look at.
struct SimCounters {
    int requests = 0;
    int perType[256] = {};
    int packets = 0;
    int connections = 0;
    int mediaPort = -1;
    bool connected = false;
};

// What the simulator threads share: the live configuration, the reports,
// and one condition variable that every change and the stop signal notify.
class SimState {
  public:
    using Millis = std::chrono::milliseconds;

    explicit SimState(const PhoneSimConfig& config) : config_(config) {}

    PhoneSimConfig config() const;
    void setFaults(const SimFaults& faults);
    void setStatuses(int e, int f, int g);
    void setProtocolVersion(int version);

    void onConnected();
    void onDisconnected();
    void onRequest(const uint8_t* bytes, int length);
    void onPacketSent();
    void setClientMediaPort(int port);

    std::vector<SimRequest> requests() const;
    SimCounters counters() const;

    // Waits until pred(counters) holds (true) or the time-out passes (false).
    template <typename Pred>
    bool waitFor(Millis timeout, Pred pred) const {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return pred(counters_); });
    }

    // Sleeps up to the given time; false as soon as the simulator stops.
    bool pause(Millis duration);
    void requestStop();
    bool stopping() const;

    // Prints a line to standard output when the configuration is verbose.
    void log(const char* format, ...) const
#ifdef __GNUC__
        __attribute__((format(printf, 2, 3)))
#endif
        ;

  private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    PhoneSimConfig config_;
    SimCounters counters_;
    std::vector<SimRequest> requests_;
    bool stopping_ = false;
};

}  // namespace kavri
