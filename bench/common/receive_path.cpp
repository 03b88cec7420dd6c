#include "bench/common/receive_path.h"

#include <memory>

#include "bench/common/encoded_voice.h"
#include "bench/common/replay_media_stream.h"
#include "transport/output_control_stream.h"

namespace kavri::bench {

ReceivePath::ReceivePath(const EncodedVoice& voice)
    : decoder_(48000, 1), step_(link_, decoder_, true, queue_, stats_, clock_) {
    link_.open(std::make_unique<OutputControlStream>(),
               std::make_unique<ReplayMediaStream>(voice.stream));
    decoder_.open();
    step_.begin();
}

bool ReceivePath::step() {
    if (queue_.isFull()) {
        queue_.reset();
    }
    return step_.run(state_, Connected) == 0;
}

}  // namespace kavri::bench
