#include "core/mic_controller.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "audio/opus_voice_decoder.h"
#include "core/result_codes.h"
#include "platform/thread_join.h"
#include "platform/thread_priority.h"
#include "platform/time_of_day.h"
#include "settings/settings.h"
#include "transport/phone_link.h"

namespace kavri {

namespace {

// Good ticks in a row, one count for the whole program: a new connection
// does not start it again. Only timer ticks touch it.
std::atomic<int> goodTicks{0};

}  // namespace

MicController::MicController(PlayerCallback* callback)
    : callback_(callback), speaker_(std::make_unique<WavePlayer>()), stats_(&receptionStats()) {}

MicController::MicController(PlayerCallback* callback, MicOutputs outputs)
    : callback_(callback),
      speaker_(std::make_unique<WavePlayer>(std::move(outputs.speaker))),
      device_(std::move(outputs.device)),
      timer_(std::move(outputs.timer)),
      stats_(&receptionStats()) {}

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
        // The user's own stop always counts; a loop's failure only when it
        // is what ends the connection.
        if (result == 0 || !stopBegun_) {
            lastResult_ = result;
        }
        if (state_.load() != Connected || stopBegun_) {
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
    std::fill(std::begin(workFrame_.data), std::end(workFrame_.data), int16_t{0});
    workFrame_.countOfSamples = AudioFrame::MAX_SAMPLES;
    queue_.reset();

    setState(Connected);
    report(Connected, 0);
    keepAliveThread_ = std::thread([this] { keepAliveLoop(); });
    receiveThread_ = std::thread([this] { receiveLoop(); });
    timer_.start(this, static_cast<uint32_t>(frameMs_));
}

int MicController::openLink() {
    link_ = std::make_unique<PhoneLink>();
    int result = link_->open();
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
    OpusVoiceDecoder decoder(sampleRate_, channels_);
    decoder.open();
    // Decoded here, then copied into a fixed slot of the queue: nothing is
    // allocated per frame.
    AudioFrame frame;
    int32_t previousTime = timeOfDayMs();
    stats_->startTime = previousTime;
    bool received = false;

    while (state_.load() == Connected) {
        if (receiveFrame(&decoder, &frame) != 0) {
            requestStop(received ? RESULT_CONNECTION_LOST : RESULT_NO_AUDIO);
            break;
        }
        if (!queue_.put(frame)) {
            stats_->dropped.fetch_add(1, std::memory_order_relaxed);
        }
        received = true;
        countFrame(&previousTime);
    }

    stats_->endTime = timeOfDayMs();
    decoder.close();
}

void MicController::countFrame(int32_t* previousTime) {
    stats_->rx.fetch_add(1, std::memory_order_relaxed);
    const int32_t now = timeOfDayMs();
    const int32_t delta = now - *previousTime;
    if (delta > stats_->maxDelta.load(std::memory_order_relaxed)) {
        stats_->maxDelta = delta;
    }
    *previousTime = now;
}

int MicController::receiveFrame(VoiceDecoder* decoder, AudioFrame* frame) {
    for (int attempt = 0; attempt < RECEIVE_ATTEMPTS; ++attempt) {
        if (state_.load() != Connected) {
            return -1;
        }
        frame->countOfSamples = AudioFrame::MAX_SAMPLES;
        try {
            const int result =
                protocolVersion_ == 3
                    ? link_->readCheckedMediaPacket(decoder, frame->data, &frame->countOfSamples,
                                                    &frame->sequence)
                    : link_->readMediaPacket(decoder, frame->data, &frame->countOfSamples,
                                             &frame->sequence);
            if (result == 0) {
                return 0;
            }
        } catch (int) {
            // A stream failure is one failed attempt like any other.
        }
    }
    return -1;
}

void MicController::keepAliveLoop() {
    while (state_.load() == Connected) {
        if (link_->keepAlive() != 0) {
            requestStop(RESULT_CONNECTION_LOST);
            return;
        }
        std::unique_lock<std::mutex> lock(pauseMutex_);
        pauseWake_.wait_for(lock, std::chrono::milliseconds(KEEP_ALIVE_MS),
                            [this] { return state_.load() != Connected; });
    }
}

void MicController::onTimer() {
    if (state_.load() != Connected) {
        return;
    }
    if (queue_.get(workFrame_)) {
        const int good = goodTicks.fetch_add(1, std::memory_order_relaxed) + 1;
        if (good >= TRIM_AFTER_GOOD_TICKS && queue_.getCount() > PlayoutQueue::KEEP_ON_SKIP) {
            goodTicks.store(0, std::memory_order_relaxed);
            queue_.skip();
        }
    } else {
        // Play the last frame again (or the silence set at connect).
        stats_->missed.fetch_add(1, std::memory_order_relaxed);
        goodTicks.store(0, std::memory_order_relaxed);
    }
    writeFrame(workFrame_.data, workFrame_.countOfSamples);
}

void MicController::writeFrame(const int16_t* samples, int count) {
    device_.write(samples, count);
    if (Settings::isPlayLocally()) {
        speaker_->write(samples, count);
    }
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
    {
        // Both loops are gone: nothing of this connection can store a result now.
        std::lock_guard<std::mutex> resultLock(resultMutex_);
        stopBegun_ = false;
    }
    releaseLink();
    speaker_->close();
    device_.close();
    setState(Disconnected);
    report(Disconnected, lastResult_.load());
}

void MicController::setState(int state) {
    {
        // Under the pause lock so that the keep-alive loop cannot miss it.
        std::lock_guard<std::mutex> lock(pauseMutex_);
        state_ = state;
    }
    pauseWake_.notify_all();
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
