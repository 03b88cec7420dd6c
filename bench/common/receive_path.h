#pragma once

#include <atomic>

#include "audio/opus_voice_decoder.h"
#include "core/connection_state.h"
#include "core/playout_queue.h"
#include "core/receive_step.h"
#include "core/reception_stats.h"
#include "core/system_controller_clock.h"
#include "transport/phone_link.h"

namespace kavri::bench {

struct EncodedVoice;

// The connection's own receive step over recorded check-byte packets: the
// link reads the header and the payload from the media stream, checks the
// check byte and decodes; the frame goes into the playout queue and the
// statistics count it. The queue is emptied whenever it fills, as the
// playout tick would.
class ReceivePath {
  public:
    explicit ReceivePath(const EncodedVoice& voice);

    // False when the packet was refused.
    bool step();
    const AudioFrame& frame() const { return step_.frame(); }

  private:
    PhoneLink link_;
    OpusVoiceDecoder decoder_;
    PlayoutQueue queue_;
    ReceptionStats stats_;
    SystemControllerClock clock_;
    std::atomic<int> state_{Connected};
    ReceiveStep step_;
};

}  // namespace kavri::bench
