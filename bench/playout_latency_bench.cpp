// How the playout queue rides out the network: the phone simulator in-process
// (optionally with a Wi-Fi link's jitter, --jitter), the real controller and
// timer, and a microphone that notes when each frame is written. Reports the
// added latency from a packet leaving the phone (on loopback: arriving) to
// its frame's microphone write, and the frames the queue repeated (empty at a
// tick) and trimmed (backlog cut to three) per minute.
#include <benchmark/benchmark.h>

#include <opus/opus.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/common/latency_stats.h"
#include "core/mic_controller.h"
#include "core/reception_stats.h"
#include "settings/settings.h"
#include "tools/phone_sim/lib/phone_simulator.h"
#include "tools/phone_sim/lib/sim_voice_encoder.h"
#include "transport/wifi/socket_routines.h"

namespace kavri::bench {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int FRAME = 960;
constexpr int BITRATE = 32000;

uint64_t hashFrame(const int16_t* p, int n) {
    uint64_t h = 1469598103934665603ULL;
    for (int i = 0; i < n; ++i)
        h = (h ^ static_cast<uint16_t>(p[i])) * 1099511628211ULL;
    return h;
}

// Noise, so that every decoded frame can be told apart from every other.
std::string writeNoiseWav(int seconds) {
    const std::string path = "/tmp/kavri-bench-noise.wav";
    const uint32_t count = static_cast<uint32_t>(seconds) * 48000;
    std::vector<int16_t> samples(count);
    uint32_t x = 12345;
    for (auto& s : samples) {
        x = x * 1664525u + 1013904223u;
        s = static_cast<int16_t>(static_cast<int>(x >> 16) % 6000 - 3000);
    }
    uint8_t h[44] = {'R', 'I', 'F', 'F', 0,  0, 0,   0,   'W', 'A',  'V',  'E', 'f', 'm', 't',
                     ' ', 16,  0,   0,   0,  1, 0,   1,   0,   0x80, 0xBB, 0,   0,   0,   0x77,
                     1,   0,   2,   0,   16, 0, 'd', 'a', 't', 'a',  0,    0,   0,   0};
    const uint32_t bytes = count * 2;
    std::memcpy(h + 40, &bytes, 4);
    const uint32_t riff = bytes + 36;
    std::memcpy(h + 4, &riff, 4);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f != nullptr) {
        std::fwrite(h, 1, sizeof h, f);
        std::fwrite(samples.data(), 2, count, f);
        std::fclose(f);
    }
    return path;
}

// Frame content -> packet index, as libopus decodes the simulator's packets;
// -1 for content that occurs twice.
std::unordered_map<uint64_t, int> indexFrames(const std::string& wav, int count) {
    std::unordered_map<uint64_t, int> index;
    SimVoiceEncoder encoder;
    std::string error;
    int status = 0;
    OpusDecoder* decoder = opus_decoder_create(48000, 1, &status);
    if (!encoder.open(BITRATE, wav, &error) || decoder == nullptr) {
        return index;
    }
    uint8_t packet[1500];
    int16_t pcm[FRAME];
    for (int i = 0; i < count; ++i) {
        const int n = encoder.encodeNext(packet, sizeof packet);
        if (n < 0 || opus_decode(decoder, packet, n, pcm, FRAME, 0) != FRAME)
            break;
        auto [it, fresh] = index.emplace(hashFrame(pcm, FRAME), i);
        if (!fresh)
            it->second = -1;
    }
    opus_decoder_destroy(decoder);
    return index;
}

struct Write {
    Clock::time_point at;
    uint64_t hash;
};

// The microphone: notes each write; nothing is allocated per frame.
class NotingMicPort : public MicDevicePort {
  public:
    // The notes outlive the port, which the controller owns.
    explicit NotingMicPort(std::vector<Write>* writes) : writes_(*writes) {}
    bool openDevice() override { return true; }
    bool control(uint32_t code, const void*, uint32_t, void* output, uint32_t) override {
        if (code == MicDevice::IOCTL_MIC_GET_VERSION && output != nullptr)
            *static_cast<uint8_t*>(output) = 3;
        return true;
    }
    void writeFile(const void* data, uint32_t size) override {
        if (writes_.size() < writes_.capacity() && size == FRAME * 2)
            writes_.push_back({Clock::now(), hashFrame(static_cast<const int16_t*>(data), FRAME)});
    }
    void closeDevice() override {}

  private:
    std::vector<Write>& writes_;
};

class NullSpeaker : public WaveOutPort {
  public:
    bool openOutput(WavePlayer*) override { return false; }
    bool prepare(int, const uint8_t*, int) override { return false; }
    void unprepare(int) override {}
    bool write(int) override { return false; }
    void closeOutput() override {}
};

class Callback : public PlayerCallback {
  public:
    void onStateChanged(int state, int) override {
        std::lock_guard<std::mutex> lock(mutex_);
        state_ = state;
        changed_.notify_all();
    }
    bool waitFor(int state) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return state_ == state; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int state_ = Disconnected;
};

int freeUdpPort() {
    const socket_t s = bindUdpSocket(0);
    const int port = s == INVALID_SOCKET_VALUE ? -1 : localPort(s);
    closeSocket(s);
    return port;
}

void BM_PlayoutLatency(benchmark::State& state) {
    const int jitter = static_cast<int>(state.range(0));
    const int seconds = latencySeconds(30);
    const int packets = (seconds + 10) * 50;
    const std::string wav = writeNoiseWav(seconds + 10);
    const auto frameOf = indexFrames(wav, packets);
    std::vector<Clock::time_point> sent(static_cast<size_t>(packets));

    for (auto _ : state) {
        PhoneSimConfig config;
        config.wavFile = wav;
        config.bitrate = BITRATE;
        config.faults.jitterMs = jitter;
        config.onPacketSent = [&sent](int i) {
            if (i >= 0 && static_cast<size_t>(i) < sent.size())
                sent[static_cast<size_t>(i)] = Clock::now();
        };
        PhoneSimulator phone(config);
        if (!phone.start()) {
            state.SkipWithError("the phone simulator did not start");
            return;
        }
        Settings::setTransportType(3);
        Settings::setWifiServerAddr("127.0.0.1");
        Settings::setControlPort(phone.controlPort());
        Settings::setMediaPort(freeUdpPort());
        Settings::setPlayLocally(false);
        std::vector<Write> writes;
        writes.reserve(static_cast<size_t>(packets));
        auto mic = std::make_unique<NotingMicPort>(&writes);
        Callback callback;
        MicOutputs outputs;
        outputs.device = std::move(mic);
        outputs.speaker = std::make_unique<NullSpeaker>();
        outputs.timer = makeSystemTimerPort();
        {
            MicController controller(&callback, std::move(outputs));
            if (controller.connect() != 0 || !callback.waitFor(Connected)) {
                state.SkipWithError("no connection to the simulated phone");
                return;
            }
            const auto start = Clock::now();
            std::this_thread::sleep_for(std::chrono::seconds(seconds));
            controller.requestStop(0);
            callback.waitFor(Disconnected);
            state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        }
        phone.stop();

        std::vector<double> latencies;
        std::vector<bool> written(static_cast<size_t>(packets), false);
        int repeated = 0;
        int lastIndex = -1;
        uint64_t previous = 0;
        for (size_t i = 0; i < writes.size(); ++i) {
            const Write& w = writes[i];
            if (i > 0 && w.hash == previous)
                ++repeated;  // the queue was empty: the last frame again
            previous = w.hash;
            const auto it = frameOf.find(w.hash);
            if (it == frameOf.end() || it->second < 0 || written[static_cast<size_t>(it->second)])
                continue;
            written[static_cast<size_t>(it->second)] = true;
            lastIndex = std::max(lastIndex, it->second);
            latencies.push_back(std::chrono::duration<double, std::milli>(
                                    w.at - sent[static_cast<size_t>(it->second)])
                                    .count());
        }
        int skipped = 0;  // sent, never written: trimmed, or dropped when the queue was full
        for (int i = 0; i < lastIndex; ++i)
            skipped += written[static_cast<size_t>(i)] ? 0 : 1;
        const double minutes = seconds / 60.0;
        const int dropped = receptionStats().dropped.load();
        state.counters["frames"] = static_cast<double>(latencies.size());
        state.counters["p50_ms"] = percentile(latencies, 50);
        state.counters["p99_ms"] = percentile(latencies, 99);
        state.counters["max_ms"] = percentile(latencies, 100);
        state.counters["repeated_per_min"] = repeated / minutes;
        state.counters["trimmed_per_min"] = (skipped - dropped) / minutes;
        state.counters["dropped_per_min"] = dropped / minutes;
    }
}
BENCHMARK(BM_PlayoutLatency)
    ->ArgName("jitter_ms")
    ->Arg(0)
    ->Arg(10)
    ->Arg(40)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace kavri::bench
