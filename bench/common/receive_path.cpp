#include "bench/common/receive_path.h"

#include <memory>

#include "bench/common/encoded_voice.h"
#include "bench/common/replay_media_stream.h"
#include "platform/time_of_day.h"
#include "transport/output_control_stream.h"

namespace kavri::bench {

ReceivePath::ReceivePath(const EncodedVoice& voice) : decoder_(48000, 1) {
    link_.open(std::make_unique<OutputControlStream>(),
               std::make_unique<ReplayMediaStream>(voice.stream));
    decoder_.open();
    previousTime_ = timeOfDayMs();
}

bool ReceivePath::step() {
    frame_.countOfSamples = AudioFrame::MAX_SAMPLES;
    if (link_.readCheckedMediaPacket(&decoder_, frame_.data, &frame_.countOfSamples,
                                     &frame_.sequence) != 0) {
        return false;
    }
    if (queue_.isFull()) {
        queue_.reset();
    }
    if (!queue_.put(frame_)) {
        stats_.dropped.fetch_add(1, std::memory_order_relaxed);
    }
    stats_.rx.fetch_add(1, std::memory_order_relaxed);
    const int32_t now = timeOfDayMs();
    if (now - previousTime_ > stats_.maxDelta.load(std::memory_order_relaxed)) {
        stats_.maxDelta = now - previousTime_;
    }
    previousTime_ = now;
    return true;
}

}  // namespace kavri::bench
