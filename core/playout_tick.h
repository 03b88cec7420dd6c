#pragma once

#include <cstdint>

#include "core/audio_frame.h"

namespace kavri {

class MicDevice;
class PlayoutQueue;
class WavePlayer;
struct ReceptionStats;

// One 20 ms playout tick: take the oldest frame, or play the last one again
// when none waits; after a hundred good ticks in a row trim a backlog to the
// newest three; write the frame to the microphone and, when the user asked
// for it, to the speaker. Copies into its own frame: nothing is allocated.
class PlayoutTick {
  public:
    // Good ticks in a row before a backlog may be trimmed.
    static constexpr int TRIM_AFTER_GOOD_TICKS = 100;

    PlayoutTick(PlayoutQueue& queue, ReceptionStats& stats, MicDevice& device, WavePlayer& speaker);

    // What a connection plays until its first frame arrives: 1920 zero samples.
    void playSilence();
    void run();

    const AudioFrame& workFrame() const { return workFrame_; }

  private:
    void writeFrame(const int16_t* samples, int count);

    PlayoutQueue& queue_;
    ReceptionStats& stats_;
    MicDevice& device_;
    WavePlayer& speaker_;
    AudioFrame workFrame_;
};

}  // namespace kavri
