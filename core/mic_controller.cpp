#include "core/mic_controller.h"

#include <system_error>

#include "audio/opus_voice_decoder.h"
#include "core/receive_step.h"
#include "core/result_codes.h"
#include "core/system_controller_clock.h"
#include "platform/thread_join.h"
#include "platform/thread_priority.h"
#include "transport/phone_link.h"

namespace kavri {

namespace {

MicInputs withSystemDefaults(MicInputs inputs) {
    if (!inputs.openLink) {
        inputs.openLink = [](PhoneLink& link) { return link.open(); };
    }
    if (!inputs.makeDecoder) {
        inputs.makeDecoder = [](int sampleRate, int channels) -> std::unique_ptr<VoiceDecoder> {
            return std::make_unique<OpusVoiceDecoder>(sampleRate, channels);
        };
    }
    if (!inputs.clock) {
        inputs.clock = std::make_shared<SystemControllerClock>();
    }
    return inputs;
}

}  // namespace

MicController::MicController(PlayerCallback* callback)
    : MicController(callback, MicOutputs{}, MicInputs{}) {}

MicController::MicController(PlayerCallback* callback, MicOutputs outputs, MicInputs inputs)
    : callback_(callback),
      // Null ports fall back to the system's.
      speaker_(std::make_unique<WavePlayer>(std::move(outputs.speaker))),
      device_(std::move(outputs.device)),
      timer_(std::move(outputs.timer)),
      stats_(&receptionStats()),
      inputs_(withSystemDefaults(std::move(inputs))),
      tick_(queue_, *stats_, device_, *speaker_) {}

MicController::~MicController() {
    // A connect thread may still be on its way to Connected, and a loop may
    // have asked for a stop thread while we stopped: repeat until all is idle.
    for (;;) {
        waitForHelpers();
        if (state_.load() != Connected) {
            break;
        }
        stop();
    }
    speaker_.reset();
    timer_.stop();
    device_.close();
}

int MicController::connect() {
    if (state_.load() != Disconnected) {
        return -1;
    }
    stats_->clear();
    startHelper([this] { runConnect(); });
    return 0;
}

void MicController::requestStop(int result) {
    {
        std::lock_guard<std::mutex> lock(resultMutex_);
        // The last code stored stands, except over the 0 of the user's
        // Disconnect: the loops' failures on their way out do not replace it.
        if (result == 0 || !userStopped_) {
            lastResult_ = result;
        }
        const int state = state_.load();
        if (result == 0 && (state == Connected || state == Disconnecting)) {
            userStopped_ = true;
        }
        if (state != Connected || stopBegun_) {
            return;
        }
        stopBegun_ = true;
    }
    startHelper([this] { stop(); });
}

void MicController::runConnect() {
    std::lock_guard<Mutex> lock(mutex_);
    if (state_.load() != Disconnected) {
        return;
    }
    setState(Connecting);
    report(Connecting, 0);

    const int result = openLink();
    if (result != 0) {
        setState(Disconnected);
        report(Disconnected, result);
        return;
    }
    device_.open();
    speaker_->open();
    tick_.playSilence();
    queue_.reset();
    {
        std::lock_guard<std::mutex> lock(resultMutex_);
        stopBegun_ = false;
        userStopped_ = false;
    }

    setState(Connected);
    report(Connected, 0);
    keepAliveThread_ = std::thread([this] { keepAliveLoop(); });
    receiveThread_ = std::thread([this] { receiveLoop(); });
    timer_.start(this, static_cast<uint32_t>(frameMs_));
}

int MicController::openLink() {
    link_ = std::make_unique<PhoneLink>();
    int result = inputs_.openLink(*link_);
    if (result == 0) {
        const int handshake = link_->handshake(&protocolVersion_);
        if (handshake == PhoneLink::WRONG_REPLY_TYPE) {
            result = RESULT_VERSION_MISMATCH;
        } else if (handshake != 0) {
            result = RESULT_HANDSHAKE_FAILED;
        } else if (link_->setupMedia() != 0) {
            result = RESULT_VERSION_MISMATCH;
        } else {
            frameMs_ = FRAME_MS;
            sampleRate_ = SAMPLE_RATE;
            channels_ = CHANNELS;
            if (link_->startMedia() != 0) {
                result = RESULT_CANNOT_START;
            }
        }
    }
    if (result != 0) {
        releaseLink();
    }
    return result;
}

void MicController::releaseLink() {
    if (link_) {
        link_->close();
        link_.reset();
    }
}

void MicController::receiveLoop() {
    raiseCurrentThreadPriority();
    std::unique_ptr<VoiceDecoder> decoder = inputs_.makeDecoder(sampleRate_, channels_);
    decoder->open();
    ReceiveStep step(*link_, *decoder, protocolVersion_ == 3, queue_, *stats_, *inputs_.clock);
    step.begin();
    while (state_.load() == Connected) {
        if (step.run(state_, Connected) != 0) {
            requestStop(step.hasReceived() ? RESULT_CONNECTION_LOST : RESULT_NO_AUDIO);
            break;
        }
    }
    step.end();
    decoder->close();
}

void MicController::keepAliveLoop() {
    while (state_.load() == Connected) {
        if (link_->keepAlive() != 0) {
            requestStop(RESULT_CONNECTION_LOST);
            return;
        }
        inputs_.clock->pause(KEEP_ALIVE_MS, [this] { return state_.load() != Connected; });
    }
}

void MicController::onTimer() {
    if (state_.load() != Connected) {
        return;
    }
    tick_.run();
}

void MicController::stop() {
    {
        std::lock_guard<Mutex> lock(mutex_);
        if (state_.load() != Connected) {
            return;
        }
        {
            std::lock_guard<std::mutex> resultLock(resultMutex_);
            stopBegun_ = true;
        }
        setState(Disconnecting);
        report(Disconnecting, 0);
    }
    // Waits for a tick still running, so none writes to the outputs below.
    timer_.stop();
    kv_thread_join(keepAliveThread_);
    kv_thread_join(receiveThread_);
    releaseLink();
    speaker_->close();
    device_.close();
    setState(Disconnected);
    report(Disconnected, lastResult_.load());
}

void MicController::setState(int state) {
    state_ = state;
    // The keep-alive loop's pause ends as soon as the state leaves Connected.
    inputs_.clock->wake();
}

void MicController::report(int state, int result) {
    if (callback_ != nullptr) {
        callback_->onStateChanged(state, result);
    }
}

void MicController::startHelper(std::function<void()> work) {
    {
        std::lock_guard<std::mutex> lock(helperMutex_);
        ++helpers_;
    }
    auto finished = [this] {
        std::lock_guard<std::mutex> lock(helperMutex_);
        if (--helpers_ == 0) {
            helpersDone_.notify_all();
        }
    };
    try {
        std::thread([work = std::move(work), finished] {
            work();
            finished();
        }).detach();
    } catch (const std::system_error&) {
        finished();  // no thread: nothing to wait for
    }
}

void MicController::waitForHelpers() {
    std::unique_lock<std::mutex> lock(helperMutex_);
    helpersDone_.wait(lock, [this] { return helpers_ == 0; });
}

}  // namespace kavri
