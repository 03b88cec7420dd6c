#include "tools/phone_sim/lib/sim_state.h"

#include <cstdarg>
#include <cstdio>

namespace kavri {

namespace {
// Keeps a simulator that runs for days from growing without bound; the
// keep-alives are still counted.
constexpr size_t MAX_KEPT_REQUESTS = 10000;
}  // namespace

PhoneSimConfig SimState::config() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return config_;
}

void SimState::setFaults(const SimFaults& faults) {
    std::lock_guard<std::mutex> lock(mutex_);
    config_.faults = faults;
}

void SimState::setStatuses(int e, int f, int g) {
    std::lock_guard<std::mutex> lock(mutex_);
    config_.handshakeStatus = e;
    config_.setupStatus = f;
    config_.startStatus = g;
}

void SimState::setProtocolVersion(int version) {
    std::lock_guard<std::mutex> lock(mutex_);
    config_.protocolVersion = version;
}

void SimState::onConnected() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++counters_.connections;
        counters_.connected = true;
        counters_.mediaPort = -1;
    }
    changed_.notify_all();
}

void SimState::onDisconnected() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        counters_.connected = false;
    }
    changed_.notify_all();
}

void SimState::onRequest(const uint8_t* bytes, int length) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++counters_.requests;
        ++counters_.perType[bytes[0]];
        if (requests_.size() < MAX_KEPT_REQUESTS) {
            requests_.push_back(SimRequest{bytes[0], std::vector<uint8_t>(bytes, bytes + length)});
        }
    }
    changed_.notify_all();
}

void SimState::onPacketSent() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++counters_.packets;
    }
    changed_.notify_all();
}

void SimState::setClientMediaPort(int port) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        counters_.mediaPort = port;
    }
    changed_.notify_all();
}

std::vector<SimRequest> SimState::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

SimCounters SimState::counters() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return counters_;
}

bool SimState::pause(Millis duration) {
    std::unique_lock<std::mutex> lock(mutex_);
    return !changed_.wait_for(lock, duration, [this] { return stopping_; });
}

void SimState::requestStop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
}

bool SimState::stopping() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stopping_;
}

void SimState::log(const char* format, ...) const {
    bool verbose;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        verbose = config_.verbose;
    }
    if (!verbose) {
        return;
    }
    // One line at a time, whole, whichever thread prints it.
    static std::mutex printing;
    std::lock_guard<std::mutex> lock(printing);
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace kavri
