#pragma once

#include <atomic>

#include "core/audio_frame.h"
#include "core/mutex.h"

namespace kavri {

// Carries decoded frames from the receive thread to the playout tick: a ring
// of ten slots holding at most nine frames. All storage is inside; nothing
// allocates.
class PlayoutQueue {
  public:
    static constexpr int SLOTS = 10;
    static constexpr int MAX_FRAMES = 9;
    // What skip() leaves: the newest frames, to keep the delay short.
    static constexpr int KEEP_ON_SKIP = 3;

    PlayoutQueue();
    PlayoutQueue(const PlayoutQueue&) = delete;
    PlayoutQueue& operator=(const PlayoutQueue&) = delete;

    // False, changing nothing, when nine frames wait.
    bool put(const AudioFrame& frame);
    // False, leaving frame untouched, when empty. Samples beyond the copied
    // count keep their old values.
    bool get(AudioFrame& frame);
    void skip();
    // Only while no other thread uses the queue.
    void reset();

    // Snapshots without the lock.
    int getCount() const { return count_.load(std::memory_order_relaxed); }
    bool isEmpty() const { return getCount() == 0; }
    bool isFull() const { return getCount() > MAX_FRAMES - 1; }

  private:
    static void copyFrame(const AudioFrame& from, AudioFrame& to);

    int readIndex_ = 0;
    int writeIndex_ = 0;
    AudioFrame frames_[SLOTS];
    std::atomic<int> count_{0};
    Mutex mutex_{"PlayoutQueue"};
};

}  // namespace kavri
