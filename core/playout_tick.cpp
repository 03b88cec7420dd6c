#include "core/playout_tick.h"

#include <algorithm>
#include <atomic>

#include "audio/mic_device.h"
#include "audio/wave_player.h"
#include "core/playout_queue.h"
#include "core/reception_stats.h"
#include "settings/settings.h"

namespace kavri {

namespace {

// Good ticks in a row, one count for the whole program: a new connection
// does not start it again. Only timer ticks touch it.
std::atomic<int> goodTicks{0};

}  // namespace

PlayoutTick::PlayoutTick(PlayoutQueue& queue, ReceptionStats& stats, MicDevice& device,
                         WavePlayer& speaker)
    : queue_(queue), stats_(stats), device_(device), speaker_(speaker) {}

void PlayoutTick::playSilence() {
    std::fill(std::begin(workFrame_.data), std::end(workFrame_.data), int16_t{0});
    workFrame_.countOfSamples = AudioFrame::MAX_SAMPLES;
}

void PlayoutTick::run() {
    if (queue_.get(workFrame_)) {
        const int good = goodTicks.fetch_add(1, std::memory_order_relaxed) + 1;
        if (good >= TRIM_AFTER_GOOD_TICKS && queue_.getCount() > PlayoutQueue::KEEP_ON_SKIP) {
            goodTicks.store(0, std::memory_order_relaxed);
            queue_.skip();
        }
    } else {
        // Play the last frame again (or the silence set at connect).
        stats_.missed.fetch_add(1, std::memory_order_relaxed);
        goodTicks.store(0, std::memory_order_relaxed);
    }
    writeFrame(workFrame_.data, workFrame_.countOfSamples);
}

void PlayoutTick::writeFrame(const int16_t* samples, int count) {
    device_.write(samples, count);
    // Read on every tick, so that the menu toggle takes effect at once.
    if (Settings::isPlayLocally()) {
        speaker_.write(samples, count);
    }
}

}  // namespace kavri
