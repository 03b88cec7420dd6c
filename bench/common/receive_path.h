#pragma once

#include <cstdint>

#include "audio/opus_voice_decoder.h"
#include "core/audio_frame.h"
#include "core/playout_queue.h"
#include "core/reception_stats.h"
#include "transport/phone_link.h"

namespace kavri::bench {

struct EncodedVoice;

// One packet at a time through what the connection's receive thread does
// with it: the link reads the header and the payload from the media stream,
// checks the check byte and decodes; the frame goes into the playout queue
// and the statistics count it. The queue is emptied whenever it fills, as
// the playout tick would.
class ReceivePath {
  public:
    explicit ReceivePath(const EncodedVoice& voice);

    // False when the packet was refused.
    bool step();
    const AudioFrame& frame() const { return frame_; }

  private:
    PhoneLink link_;
    OpusVoiceDecoder decoder_;
    PlayoutQueue queue_;
    ReceptionStats stats_;
    AudioFrame frame_;
    int32_t previousTime_ = 0;
};

}  // namespace kavri::bench
