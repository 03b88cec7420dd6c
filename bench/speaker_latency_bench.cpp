// The Linux speaker's added latency: from WavePlayer::write to the moment a
// recording client of the sound server gets the sample from the sink's
// monitor. Needs a sound server (scripts/sound-server start DIR, then the
// environment it prints); skipped without one. Each 20 ms frame is silence
// with one marker sample that names it; the recorder (2.5 ms fragments)
// dates every sample by the arrival of its fragment.
#include <benchmark/benchmark.h>

#include <pulse/pulseaudio.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/wave_player.h"
#include "bench/common/latency_stats.h"

namespace kavri::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int FRAME = 960;
constexpr int MARKER_BASE = 1000;

class MonitorRecorder {
  public:
    explicit MonitorRecorder(int frames) : heard_(static_cast<size_t>(frames)) {}
    ~MonitorRecorder() { stop(); }

    bool start() {
        loop_ = pa_threaded_mainloop_new();
        if (loop_ == nullptr)
            return false;
        context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "kavri speaker latency");
        pa_context_set_state_callback(context_, onState, this);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
            pa_threaded_mainloop_start(loop_) < 0)
            return false;
        pa_threaded_mainloop_lock(loop_);
        while (PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)) &&
               pa_context_get_state(context_) != PA_CONTEXT_READY)
            pa_threaded_mainloop_wait(loop_);
        bool ok = pa_context_get_state(context_) == PA_CONTEXT_READY;
        if (ok) {
            const pa_sample_spec format{PA_SAMPLE_S16NE, 48000, 1};
            stream_ = pa_stream_new(context_, "monitor", &format, nullptr);
            pa_stream_set_read_callback(stream_, onRead, this);
            pa_buffer_attr attr{};
            attr.maxlength = static_cast<uint32_t>(-1);
            attr.fragsize = 240;  // 2.5 ms
            pa_stream_set_state_callback(stream_, onStreamState, this);
            ok = pa_stream_connect_record(stream_, "@DEFAULT_MONITOR@", &attr,
                                          PA_STREAM_ADJUST_LATENCY) == 0;
            // Recording from the first frame on: wait until the stream runs.
            while (ok && pa_stream_get_state(stream_) != PA_STREAM_READY) {
                ok = PA_STREAM_IS_GOOD(pa_stream_get_state(stream_));
                if (ok)
                    pa_threaded_mainloop_wait(loop_);
            }
        }
        pa_threaded_mainloop_unlock(loop_);
        return ok;
    }

    void stop() {
        if (loop_ == nullptr)
            return;
        pa_threaded_mainloop_lock(loop_);
        if (stream_ != nullptr) {
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
        }
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        pa_threaded_mainloop_unlock(loop_);
        pa_threaded_mainloop_stop(loop_);
        pa_threaded_mainloop_free(loop_);
        loop_ = nullptr;
    }

    // A null sink that idled with nobody asking for low latency has mixed
    // seconds ahead; it takes new sound only once that has run out. Waiting
    // for the monitor to carry sound in real time keeps that out of the
    // measurement.
    bool waitForLiveSound() {
        const auto end = Clock::now() + std::chrono::seconds(5);
        while (Clock::now() < end) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (samples_ >= 48000 / 5)
                    return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // When the marker of frame k arrived; the epoch when it never did.
    Clock::time_point heard(int k) {
        std::lock_guard<std::mutex> lock(mutex_);
        return heard_[static_cast<size_t>(k)];
    }

  private:
    static void onState(pa_context*, void* self) {
        pa_threaded_mainloop_signal(static_cast<MonitorRecorder*>(self)->loop_, 0);
    }
    static void onStreamState(pa_stream*, void* self) {
        pa_threaded_mainloop_signal(static_cast<MonitorRecorder*>(self)->loop_, 0);
    }
    static void onRead(pa_stream* s, size_t, void* self) {
        const auto now = Clock::now();
        auto* r = static_cast<MonitorRecorder*>(self);
        const void* data = nullptr;
        size_t bytes = 0;
        while (pa_stream_peek(s, &data, &bytes) == 0 && bytes > 0) {
            if (data != nullptr)
                r->note(static_cast<const int16_t*>(data), bytes / 2, now);
            pa_stream_drop(s);
        }
    }
    void note(const int16_t* samples, size_t n, Clock::time_point now) {
        std::lock_guard<std::mutex> lock(mutex_);
        samples_ += n;
        for (size_t i = 0; i < n; ++i) {
            const int k = samples[i] - MARKER_BASE;
            if (k >= 0 && static_cast<size_t>(k) < heard_.size() &&
                heard_[static_cast<size_t>(k)] == Clock::time_point{}) {
                // The sample's time: the fragment came when its last sample did.
                heard_[static_cast<size_t>(k)] =
                    now - std::chrono::microseconds((n - i) * 1000000 / 48000);
            }
        }
    }

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    std::mutex mutex_;
    std::vector<Clock::time_point> heard_;
    size_t samples_ = 0;
};

void BM_SpeakerWriteToSinkMonitor(benchmark::State& state) {
    if (std::getenv("PULSE_SERVER") == nullptr) {
        state.SkipWithError("no sound server: PULSE_SERVER is unset (scripts/sound-server)");
        return;
    }
    const int frames = latencySeconds(10) * 50;
    for (auto _ : state) {
        MonitorRecorder recorder(frames);
        WavePlayer player;
        if (!recorder.start() || !recorder.waitForLiveSound() || player.open() != 0) {
            state.SkipWithError("the sound server refused the recorder or the speaker");
            return;
        }
        std::vector<Clock::time_point> written(static_cast<size_t>(frames));
        int16_t frame[FRAME] = {};
        auto next = Clock::now();
        for (int k = 0; k < frames; ++k) {
            frame[0] = static_cast<int16_t>(MARKER_BASE + k);
            written[static_cast<size_t>(k)] = Clock::now();
            player.write(frame, FRAME);
            next += std::chrono::milliseconds(20);
            std::this_thread::sleep_until(next);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the last ones arrive
        player.close();
        recorder.stop();
        std::vector<double> latencies;
        int missing = 0;
        for (int k = 0; k < frames; ++k) {
            const auto at = recorder.heard(k);
            if (at == Clock::time_point{}) {
                ++missing;
                continue;
            }
            latencies.push_back(
                std::chrono::duration<double, std::milli>(at - written[static_cast<size_t>(k)])
                    .count());
        }
        state.SetIterationTime(frames * 0.02);
        state.counters["frames"] = frames;
        state.counters["missing"] = missing;
        state.counters["p50_ms"] = percentile(latencies, 50);
        state.counters["p99_ms"] = percentile(latencies, 99);
        state.counters["max_ms"] = percentile(latencies, 100);
    }
}
BENCHMARK(BM_SpeakerWriteToSinkMonitor)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
}  // namespace kavri::bench
