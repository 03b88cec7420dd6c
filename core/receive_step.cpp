#include "core/receive_step.h"

#include "core/controller_clock.h"
#include "core/playout_queue.h"
#include "core/reception_stats.h"
#include "transport/phone_link.h"

namespace kavri {

ReceiveStep::ReceiveStep(PhoneLink& link, VoiceDecoder& decoder, bool checkedPackets,
                         PlayoutQueue& queue, ReceptionStats& stats, ControllerClock& clock)
    : link_(link),
      decoder_(decoder),
      checkedPackets_(checkedPackets),
      queue_(queue),
      stats_(stats),
      clock_(clock) {}

void ReceiveStep::begin() {
    previousTime_ = clock_.timeOfDayMs();
    stats_.startTime = previousTime_;
}

int ReceiveStep::run(const std::atomic<int>& state, int running) {
    if (readFrame(state, running) != 0) {
        return -1;
    }
    if (!queue_.put(frame_)) {
        stats_.dropped.fetch_add(1, std::memory_order_relaxed);
    }
    received_ = true;
    count();
    return 0;
}

void ReceiveStep::end() {
    stats_.endTime = clock_.timeOfDayMs();
}

int ReceiveStep::readFrame(const std::atomic<int>& state, int running) {
    for (int attempt = 0; attempt < ATTEMPTS; ++attempt) {
        if (state.load() != running) {
            return -1;
        }
        frame_.countOfSamples = AudioFrame::MAX_SAMPLES;
        try {
            const int result =
                checkedPackets_
                    ? link_.readCheckedMediaPacket(&decoder_, frame_.data, &frame_.countOfSamples,
                                                   &frame_.sequence)
                    : link_.readMediaPacket(&decoder_, frame_.data, &frame_.countOfSamples,
                                            &frame_.sequence);
            if (result == 0) {
                return 0;
            }
        } catch (int) {
            // A stream failure is one failed attempt like any other.
        }
    }
    return -1;
}

void ReceiveStep::count() {
    stats_.rx.fetch_add(1, std::memory_order_relaxed);
    const int32_t now = clock_.timeOfDayMs();
    const int32_t delta = now - previousTime_;
    if (delta > stats_.maxDelta.load(std::memory_order_relaxed)) {
        stats_.maxDelta = delta;
    }
    previousTime_ = now;
}

}  // namespace kavri
