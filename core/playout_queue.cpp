#include "core/playout_queue.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <mutex>

namespace kavri {

PlayoutQueue::PlayoutQueue() = default;

void PlayoutQueue::copyFrame(const AudioFrame& from, AudioFrame& to) {
    // The count is trusted by contract; clamping keeps a broken caller from
    // reading or writing past a frame.
    const int samples = std::clamp(from.countOfSamples, 0, AudioFrame::MAX_SAMPLES);
    to.sequence = from.sequence;
    to.countOfSamples = samples;
    std::memcpy(to.data, from.data, static_cast<size_t>(samples) * sizeof from.data[0]);
}

bool PlayoutQueue::put(const AudioFrame& frame) {
    std::lock_guard<Mutex> lock(mutex_);
    const int count = count_.load(std::memory_order_relaxed);
    if (count >= MAX_FRAMES) {
        return false;
    }
    copyFrame(frame, frames_[writeIndex_]);
    writeIndex_ = (writeIndex_ + 1) % SLOTS;
    count_.store(count + 1, std::memory_order_relaxed);
    return true;
}

bool PlayoutQueue::get(AudioFrame& frame) {
    std::lock_guard<Mutex> lock(mutex_);
    const int count = count_.load(std::memory_order_relaxed);
    if (count == 0) {
        return false;
    }
    copyFrame(frames_[readIndex_], frame);
    readIndex_ = (readIndex_ + 1) % SLOTS;
    count_.store(count - 1, std::memory_order_relaxed);
    return true;
}

void PlayoutQueue::skip() {
    std::lock_guard<Mutex> lock(mutex_);
    const int count = count_.load(std::memory_order_relaxed);
    if (count > KEEP_ON_SKIP) {
        readIndex_ = (readIndex_ + count - KEEP_ON_SKIP) % SLOTS;
        count_.store(KEEP_ON_SKIP, std::memory_order_relaxed);
    }
}

void PlayoutQueue::reset() {
    std::lock_guard<Mutex> lock(mutex_);
    readIndex_ = 0;
    writeIndex_ = 0;
    count_.store(0, std::memory_order_relaxed);
}

}  // namespace kavri
