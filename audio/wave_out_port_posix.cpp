#include <pthread.h>
#include <pulse/pulseaudio.h>
#include <sched.h>

#include <cstdint>

#include "audio/wave_player.h"

namespace kavri {

namespace {

constexpr int64_t FRAME_BYTES = WavePlayer::BUFFER_BYTES;
// The server may take every buffer the player can have outstanding, so its
// requests never run out and always tell how much it has played.
constexpr uint32_t TARGET_BYTES = WavePlayer::BUFFER_COUNT * FRAME_BYTES;
// The sink mixes this far ahead (early requests: the sink's latency is the
// request size). It must stay well below the prebuffer: a sink that mixes
// further ahead than the data we hold underruns, and the end of an underrun
// makes the server rewind and mix again what its monitor already carried.
constexpr uint32_t REQUEST_BYTES = FRAME_BYTES / 2;
// Playing starts (and restarts after an underrun) with three frames (60 ms) in
// hand, so a late tick is ridden out before the sink runs dry.
constexpr uint32_t PREBUF_BYTES = 3 * FRAME_BYTES;
constexpr int RING = 16;
// As the playout tick's: the loop thread carries each written buffer to the
// server, so it must not wait behind ordinary work either.
constexpr int LOOP_PRIORITY = 10;  // > WavePlayer::BUFFER_COUNT: every outstanding buffer fits

// The speaker on a PulseAudio (or PipeWire) server, through the asynchronous
// API. A buffer goes to the server the moment it is written, and comes back
// done once the server has played past its last byte: the server counts the
// bytes it played in its requests for more, so played = written + still
// requested - target length. Writing at once, instead of blocking a worker
// until the server has room, keeps the server's queue fed however late a
// tick is, and the prebuffer makes an underrun a pause, never a skip.
class PulseWaveOutPort : public WaveOutPort {
  public:
    ~PulseWaveOutPort() override { closeOutput(); }

    bool openOutput(WavePlayer* player) override {
        closeOutput();
        player_ = player;
        loop_ = pa_threaded_mainloop_new();
        if (loop_ == nullptr) {
            return false;
        }
        context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "Kavri Client");
        if (context_ == nullptr || pa_threaded_mainloop_start(loop_) < 0) {
            release();
            return false;
        }
        pa_threaded_mainloop_lock(loop_);
        const bool ready = connectContext() && connectStream(player->getSampleRate());
        pa_threaded_mainloop_unlock(loop_);
        if (!ready) {
            release();
            return false;
        }
        player->onOpen();
        return true;
    }

    bool prepare(int index, const uint8_t* data, int bytes) override {
        if (index < 0 || index >= WavePlayer::BUFFER_COUNT || bytes < 0) {
            return false;
        }
        prepared_[index] = Buffer{data, bytes};
        return true;
    }

    void unprepare(int) override {}

    bool write(int index) override {
        if (index < 0 || index >= WavePlayer::BUFFER_COUNT || loop_ == nullptr) {
            return false;
        }
        const Buffer buffer = prepared_[index];
        pa_threaded_mainloop_lock(loop_);
        bool ok =
            stream_ != nullptr && pa_stream_get_state(stream_) == PA_STREAM_READY && queued_ < RING;
        // The server copies the bytes: the player may reuse the buffer at once.
        if (ok && buffer.bytes > 0) {
            ok = pa_stream_write(stream_, buffer.data, static_cast<size_t>(buffer.bytes), nullptr,
                                 0, PA_SEEK_RELATIVE) == 0;
        }
        if (ok) {
            written_ += buffer.bytes;
            ends_[(head_ + queued_) % RING] = written_;
            ++queued_;
            completePlayed();  // an empty buffer is done at once
        }
        pa_threaded_mainloop_unlock(loop_);
        return ok;
    }

    // Buffers not yet played are dropped, as waveOutReset would.
    void closeOutput() override { release(); }

  private:
    struct Buffer {
        const uint8_t* data = nullptr;
        int bytes = 0;
    };

    static void onContextState(pa_context*, void* self) {
        auto* port = static_cast<PulseWaveOutPort*>(self);
        if (!port->loopRaised_) {
            port->loopRaised_ = true;  // runs on the loop thread; where we may
            sched_param param{};
            param.sched_priority = LOOP_PRIORITY;
            pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
        }
        pa_threaded_mainloop_signal(port->loop_, 0);
    }
    static void onStreamState(pa_stream*, void* self) {
        pa_threaded_mainloop_signal(static_cast<PulseWaveOutPort*>(self)->loop_, 0);
    }
    // The server asks for more: it has played what it asks to be replaced.
    static void onRequest(pa_stream*, size_t, void* self) {
        static_cast<PulseWaveOutPort*>(self)->completePlayed();
    }

    // With the loop locked.
    bool connectContext() {
        pa_context_set_state_callback(context_, onContextState, this);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            return false;
        }
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context_);
            if (state == PA_CONTEXT_READY) {
                return true;
            }
            if (!PA_CONTEXT_IS_GOOD(state)) {
                return false;
            }
            pa_threaded_mainloop_wait(loop_);
        }
    }

    // With the loop locked.
    bool connectStream(int rate) {
        pa_sample_spec format{};
        format.format = PA_SAMPLE_S16NE;
        format.rate = static_cast<uint32_t>(rate);
        format.channels = 1;
        stream_ = pa_stream_new(context_, "Phone voice", &format, nullptr);
        if (stream_ == nullptr) {
            return false;
        }
        pa_stream_set_state_callback(stream_, onStreamState, this);
        pa_stream_set_write_callback(stream_, onRequest, this);
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.tlength = TARGET_BYTES;
        attr.prebuf = PREBUF_BYTES;
        attr.minreq = REQUEST_BYTES;
        attr.fragsize = static_cast<uint32_t>(-1);
        const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_EARLY_REQUESTS);
        if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0) {
            return false;
        }
        for (;;) {
            const pa_stream_state_t state = pa_stream_get_state(stream_);
            if (state == PA_STREAM_READY) {
                break;
            }
            if (!PA_STREAM_IS_GOOD(state)) {
                return false;
            }
            pa_threaded_mainloop_wait(loop_);
        }
        const pa_buffer_attr* granted = pa_stream_get_buffer_attr(stream_);
        target_ = granted != nullptr ? granted->tlength : TARGET_BYTES;
        return true;
    }

    // With the loop locked: reports every buffer the server has played.
    void completePlayed() {
        if (stream_ == nullptr) {
            return;
        }
        const size_t requested = pa_stream_writable_size(stream_);
        if (requested == static_cast<size_t>(-1)) {
            return;
        }
        const int64_t played = written_ + static_cast<int64_t>(requested) - target_;
        while (queued_ > 0 && ends_[head_] <= played) {
            head_ = (head_ + 1) % RING;
            --queued_;
            player_->onDone();
        }
    }

    void release() {
        if (loop_ != nullptr) {
            pa_threaded_mainloop_lock(loop_);
            if (stream_ != nullptr) {
                pa_stream_set_write_callback(stream_, nullptr, nullptr);
                pa_stream_set_state_callback(stream_, nullptr, nullptr);
                pa_stream_disconnect(stream_);
                pa_stream_unref(stream_);
                stream_ = nullptr;
            }
            if (context_ != nullptr) {
                pa_context_set_state_callback(context_, nullptr, nullptr);
                pa_context_disconnect(context_);
                pa_context_unref(context_);
                context_ = nullptr;
            }
            pa_threaded_mainloop_unlock(loop_);
            pa_threaded_mainloop_stop(loop_);
            pa_threaded_mainloop_free(loop_);
            loop_ = nullptr;
        }
        loopRaised_ = false;
        written_ = 0;
        head_ = 0;
        queued_ = 0;
    }

    WavePlayer* player_ = nullptr;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    bool loopRaised_ = false;
    int64_t target_ = TARGET_BYTES;
    Buffer prepared_[WavePlayer::BUFFER_COUNT];
    // Byte offsets at which the outstanding buffers end, oldest first.
    int64_t ends_[RING] = {};
    int head_ = 0;
    int queued_ = 0;
    int64_t written_ = 0;
};

}  // namespace

std::unique_ptr<WaveOutPort> makeSystemWaveOutPort() {
    return std::make_unique<PulseWaveOutPort>();
}

}  // namespace kavri
