#include "audio/playout_timer.h"

#include <algorithm>

namespace kavri {

PlayoutTimer::PlayoutTimer() : PlayoutTimer(makeSystemTimerPort()) {}

PlayoutTimer::PlayoutTimer(std::unique_ptr<TimerPort> port)
    : port_(port ? std::move(port) : makeSystemTimerPort()) {}

PlayoutTimer::~PlayoutTimer() {
    stop();
}

uint32_t PlayoutTimer::computeResolution(uint32_t minPeriod, uint32_t maxPeriod) {
    return std::min(std::max(minPeriod, 1u), maxPeriod);
}

void PlayoutTimer::start(TimerListener* listener, uint32_t periodMs) {
    // A second start would leave the first timer ticking with nobody to stop it.
    stop();
    listener_ = listener;
    // Without capabilities the finest period we ever ask for is the safe guess.
    uint32_t minPeriod = 1;
    uint32_t maxPeriod = 1;
    if (!port_->getDevCaps(&minPeriod, &maxPeriod)) {
        minPeriod = 1;
        maxPeriod = 1;
    }
    resolution_ = computeResolution(minPeriod, maxPeriod);
    port_->beginPeriod(resolution_);
    running_ = port_->createTimer(listener_, periodMs);
    if (!running_) {
        // No timer means no stop will come to lower the resolution again.
        port_->endPeriod(resolution_);
    }
}

void PlayoutTimer::stop() {
    if (!running_) {
        return;
    }
    port_->deleteTimer();
    running_ = false;
    port_->endPeriod(resolution_);
}

}  // namespace kavri
