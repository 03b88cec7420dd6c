#pragma once

#include <atomic>
#include <cstdint>

#include "core/audio_frame.h"

namespace kavri {

class ControllerClock;
class PhoneLink;
class PlayoutQueue;
class VoiceDecoder;
struct ReceptionStats;

// One frame's way from the phone to the playout queue, as the receive thread
// takes it: read a media packet (up to three attempts), check and decode it,
// queue the frame or drop it when the queue is full, and count it. Decodes
// into a frame of its own: nothing is allocated per frame.
class ReceiveStep {
  public:
    static constexpr int ATTEMPTS = 3;

    // checkedPackets: the phone speaks protocol version 3, whose packets
    // carry a check byte.
    ReceiveStep(PhoneLink& link, VoiceDecoder& decoder, bool checkedPackets, PlayoutQueue& queue,
                ReceptionStats& stats, ControllerClock& clock);

    // Notes the start time; the first frame's gap is measured from it.
    void begin();
    // 0 when a frame was decoded and queued or dropped; -1 after three failed
    // attempts, or at an attempt that finds state no longer `running`.
    int run(const std::atomic<int>& state, int running);
    // Notes the end time.
    void end();

    bool hasReceived() const { return received_; }
    const AudioFrame& frame() const { return frame_; }

  private:
    int readFrame(const std::atomic<int>& state, int running);
    void count();

    PhoneLink& link_;
    VoiceDecoder& decoder_;
    const bool checkedPackets_;
    PlayoutQueue& queue_;
    ReceptionStats& stats_;
    ControllerClock& clock_;
    AudioFrame frame_;
    int32_t previousTime_ = 0;
    bool received_ = false;
};

}  // namespace kavri
