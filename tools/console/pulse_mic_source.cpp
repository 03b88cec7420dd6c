#include "tools/console/pulse_mic_source.h"

#include <pulse/pulseaudio.h>

#include <chrono>

namespace kavri {

namespace {

using Clock = std::chrono::steady_clock;

// A server that does not answer within this time is treated as absent.
constexpr auto ANSWER_TIME = std::chrono::seconds(5);
constexpr int POLL_MICROS = 50000;

void onLoaded(pa_context*, uint32_t index, void* self) {
    *static_cast<uint32_t*>(self) = index;
}

void onUnloaded(pa_context*, int success, void* self) {
    *static_cast<bool*>(self) = success != 0;
}

}  // namespace

std::string micSourceArguments(const std::string& pipePath) {
    // The server splits on blanks unless quoted; the description is quoted
    // again inside the property list.
    return std::string("source_name=") + PulseMicSource::SOURCE_NAME + " file='" + pipePath +
           "' format=s16le rate=48000 channels=1 source_properties='device.description=\"" +
           PulseMicSource::DESCRIPTION + "\"'";
}

PulseMicSource::~PulseMicSource() {
    remove();
}

bool PulseMicSource::create(const std::string& pipePath, std::string* error) {
    remove();
    if (pipePath.empty() || pipePath[0] != '/' ||
        pipePath.find_first_of("'\"") != std::string::npos) {
        *error = "the microphone pipe needs an absolute path without quotes";
        return false;
    }
    if (!connect(error)) {
        return false;
    }
    if (!pa_context_is_local(context_)) {
        *error = "the sound server is on another machine";
        disconnect();
        return false;
    }
    loadedIndex_ = INVALID;
    const std::string arguments = micSourceArguments(pipePath);
    if (!finish(pa_context_load_module(context_, "module-pipe-source", arguments.c_str(), onLoaded,
                                       &loadedIndex_)) ||
        loadedIndex_ == INVALID) {
        *error = std::string("the sound server refused module-pipe-source: ") +
                 pa_strerror(pa_context_errno(context_));
        disconnect();
        return false;
    }
    module_ = loadedIndex_;
    return true;
}

void PulseMicSource::remove() {
    if (module_ != INVALID && context_ != nullptr) {
        unloaded_ = false;
        finish(pa_context_unload_module(context_, module_, onUnloaded, &unloaded_));
    }
    module_ = INVALID;
    disconnect();
}

bool PulseMicSource::connect(std::string* error) {
    loop_ = pa_mainloop_new();
    context_ = loop_ != nullptr
                   ? pa_context_new(pa_mainloop_get_api(loop_), "Kavri Client microphone")
                   : nullptr;
    if (context_ == nullptr ||
        pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        *error = "no sound server";
        disconnect();
        return false;
    }
    const auto end = Clock::now() + ANSWER_TIME;
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(context_);
        if (state == PA_CONTEXT_READY) {
            return true;
        }
        if (!PA_CONTEXT_IS_GOOD(state) || Clock::now() > end) {
            *error =
                std::string("no sound server (") + pa_strerror(pa_context_errno(context_)) + ")";
            disconnect();
            return false;
        }
        if (pa_mainloop_prepare(loop_, POLL_MICROS) < 0 || pa_mainloop_poll(loop_) < 0 ||
            pa_mainloop_dispatch(loop_) < 0) {
            *error = "no sound server";
            disconnect();
            return false;
        }
    }
}

void PulseMicSource::disconnect() {
    if (context_ != nullptr) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    if (loop_ != nullptr) {
        pa_mainloop_free(loop_);
        loop_ = nullptr;
    }
}

bool PulseMicSource::finish(pa_operation* operation) {
    if (operation == nullptr) {
        return false;
    }
    const auto end = Clock::now() + ANSWER_TIME;
    while (pa_operation_get_state(operation) == PA_OPERATION_RUNNING && Clock::now() < end &&
           PA_CONTEXT_IS_GOOD(pa_context_get_state(context_))) {
        if (pa_mainloop_prepare(loop_, POLL_MICROS) < 0 || pa_mainloop_poll(loop_) < 0 ||
            pa_mainloop_dispatch(loop_) < 0) {
            break;
        }
    }
    const bool done = pa_operation_get_state(operation) == PA_OPERATION_DONE;
    pa_operation_unref(operation);
    return done;
}

}  // namespace kavri
