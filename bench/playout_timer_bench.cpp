// How late the real playout timer's ticks come against their deadlines. The
// deadlines are a grid of whole periods placed by the most punctual tick (the
// first tick comes at once, not necessarily on the grid), so every lateness is
// at least 0 and drift shows as growing lateness. Counters are in microseconds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "audio/playout_timer.h"

namespace kavri {
namespace {

using Clock = std::chrono::steady_clock;

class TickStamps : public TimerListener {
  public:
    explicit TickStamps(int ticks) : stamps_(static_cast<size_t>(ticks)) {}

    void onTimer() override {
        const Clock::time_point now = Clock::now();
        std::lock_guard<std::mutex> lock(mutex_);
        if (count_ < stamps_.size()) {
            stamps_[count_++] = now;
            if (count_ == stamps_.size())
                full_.notify_all();
        }
    }

    void waitUntilFull() {
        std::unique_lock<std::mutex> lock(mutex_);
        full_.wait(lock, [&] { return count_ == stamps_.size(); });
    }

    // Lateness of every tick against the grid, sorted.
    std::vector<double> latenessMicros(std::chrono::milliseconds period) {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<double> offset;
        for (size_t k = 0; k < count_; ++k) {
            const Clock::duration fromGrid = stamps_[k] - stamps_[0] - period * static_cast<int>(k);
            offset.push_back(std::chrono::duration<double, std::micro>(fromGrid).count());
        }
        if (offset.empty())
            return offset;
        const double punctual = *std::min_element(offset.begin(), offset.end());
        for (double& o : offset)
            o -= punctual;
        std::sort(offset.begin(), offset.end());
        return offset;
    }

  private:
    std::mutex mutex_;
    std::condition_variable full_;
    std::vector<Clock::time_point> stamps_;
    size_t count_ = 0;
};

double percentile(const std::vector<double>& sorted, double p) {
    const size_t index = static_cast<size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(index, sorted.size() - 1)];
}

void BM_PlayoutTimerTickLateness(benchmark::State& state) {
    const auto period = std::chrono::milliseconds(state.range(0));
    const int ticks = static_cast<int>(state.range(1));
    std::vector<double> all;
    for (auto _ : state) {
        TickStamps stamps(ticks);
        PlayoutTimer timer;
        timer.start(&stamps, static_cast<uint32_t>(period.count()));
        stamps.waitUntilFull();
        timer.stop();
        const std::vector<double> late = stamps.latenessMicros(period);
        all.insert(all.end(), late.begin(), late.end());
    }
    std::sort(all.begin(), all.end());
    if (all.empty())
        return;
    state.counters["min_us"] = all.front();
    state.counters["p50_us"] = percentile(all, 0.50);
    state.counters["p99_us"] = percentile(all, 0.99);
    state.counters["max_us"] = all.back();
    state.counters["ticks"] = static_cast<double>(all.size());
}

// 20 ms, the connection's frame period; 1000 ticks are 20 s.
BENCHMARK(BM_PlayoutTimerTickLateness)
    ->Args({20, 1000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kavri
