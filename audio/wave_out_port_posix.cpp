#include <pulse/error.h>
#include <pulse/simple.h>

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "audio/wave_player.h"

namespace kavri {

namespace {

// The server keeps about two frames; the rest wait in our ring, so a
// completion means the buffer has nearly reached the speaker, as with waveOut.
constexpr uint32_t SERVER_BUFFER_BYTES = 2 * WavePlayer::BUFFER_BYTES;

// PulseAudio's simple API blocks on every write, so a worker plays the queued
// buffers in order and reports each one done, as waveOut's notification does.
class PulseWaveOutPort : public WaveOutPort {
  public:
    ~PulseWaveOutPort() override { closeOutput(); }

    bool openOutput(WavePlayer* player) override {
        closeOutput();
        pa_sample_spec format{};
        format.format = PA_SAMPLE_S16NE;
        format.rate = static_cast<uint32_t>(player->getSampleRate());
        format.channels = 1;
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.tlength = SERVER_BUFFER_BYTES;
        attr.prebuf = static_cast<uint32_t>(-1);
        attr.minreq = static_cast<uint32_t>(-1);
        attr.fragsize = static_cast<uint32_t>(-1);
        int error = 0;
        stream_ = pa_simple_new(nullptr, "Kavri Client", PA_STREAM_PLAYBACK, nullptr, "Phone voice",
                                &format, nullptr, &attr, &error);
        if (stream_ == nullptr) {
            return false;
        }
        player_ = player;
        head_ = 0;
        queued_ = 0;
        stopping_ = false;
        try {
            worker_ = std::thread([this] { play(); });
        } catch (const std::system_error&) {
            pa_simple_free(stream_);
            stream_ = nullptr;
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
        if (index < 0 || index >= WavePlayer::BUFFER_COUNT) {
            return false;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stream_ == nullptr || stopping_ || queued_ == WavePlayer::BUFFER_COUNT) {
                return false;
            }
            queue_[(head_ + queued_) % WavePlayer::BUFFER_COUNT] = prepared_[index];
            ++queued_;
        }
        wake_.notify_one();
        return true;
    }

    // Buffers not yet played are dropped, as waveOutReset would.
    void closeOutput() override {
        if (stream_ == nullptr) {
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_one();
        worker_.join();
        int error = 0;
        pa_simple_flush(stream_, &error);
        pa_simple_free(stream_);
        stream_ = nullptr;
        player_ = nullptr;
    }

  private:
    struct Buffer {
        const uint8_t* data = nullptr;
        int bytes = 0;
    };

    void play() {
        for (;;) {
            Buffer buffer;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                wake_.wait(lock, [this] { return stopping_ || queued_ > 0; });
                if (stopping_) {
                    return;
                }
                buffer = queue_[head_];
                head_ = (head_ + 1) % WavePlayer::BUFFER_COUNT;
                --queued_;
            }
            int error = 0;
            if (buffer.bytes > 0) {
                pa_simple_write(stream_, buffer.data, static_cast<size_t>(buffer.bytes), &error);
            }
            player_->onDone();  // played or failed, the buffer is free again
        }
    }

    pa_simple* stream_ = nullptr;
    WavePlayer* player_ = nullptr;
    Buffer prepared_[WavePlayer::BUFFER_COUNT];
    std::mutex mutex_;
    std::condition_variable wake_;
    Buffer queue_[WavePlayer::BUFFER_COUNT];
    int head_ = 0;
    int queued_ = 0;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace

std::unique_ptr<WaveOutPort> makeSystemWaveOutPort() {
    return std::make_unique<PulseWaveOutPort>();
}

}  // namespace kavri
