// The playout tick of a connected controller with outputs that do nothing,
// and the heap allocations of a playing connection in steady state.
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "bench/common/allocation_counter.h"
#include "bench/common/bench_controller.h"
#include "core/reception_stats.h"

namespace kavri::bench {
namespace {

// Nothing arrives: every tick repeats the last frame (the 1920-sample
// silence), which is also the longest write a tick makes.
void BM_TickRepeatingLastFrame(benchmark::State& state) {
    BenchController bench({"--silence"}, false);
    if (!bench.connected()) {
        state.SkipWithError("no connection to the phone simulator");
        return;
    }
    MicController& controller = bench.controller();
    const int64_t before = allocationCount();
    for (auto _ : state) {
        controller.onTimer();
    }
    state.counters["allocs_per_tick"] =
        static_cast<double>(allocationCount() - before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_TickRepeatingLastFrame)->Unit(benchmark::kNanosecond);

// Each tick takes a new 960-sample frame from the queue. The phone sends a
// packet every millisecond; only the tick itself is timed.
void BM_TickTakingNewFrame(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    BenchController bench({"--interval", "1"}, false);
    if (!bench.connected()) {
        state.SkipWithError("no connection to the phone simulator");
        return;
    }
    MicController& controller = bench.controller();
    ReceptionStats& stats = receptionStats();
    // Empty the queue first; from then on it never holds more than a frame
    // or two, so no trim comes between.
    const int missedAtStart = stats.missed.load();
    for (int i = 0; i < 100 && stats.missed.load() == missedAtStart; ++i)
        controller.onTimer();
    int64_t taken = stats.rx.load() - stats.dropped.load();
    int misses = 0;
    for (auto _ : state) {
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        while (stats.rx.load() - stats.dropped.load() <= taken && Clock::now() < deadline) {
            std::this_thread::yield();
        }
        const int missed = stats.missed.load();
        const auto start = Clock::now();
        controller.onTimer();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (stats.missed.load() != missed) {
            ++misses;  // the count ran ahead of the queue by a frame: catch up
            taken = stats.rx.load() - stats.dropped.load();
        } else {
            ++taken;
        }
    }
    state.counters["missed_ticks"] = misses;
}
BENCHMARK(BM_TickTakingNewFrame)->UseManualTime()->Iterations(2000)->Unit(benchmark::kNanosecond);

// A whole connection at work: the phone streams in real time, the system
// timer ticks, the keep-alive runs. Every allocation of the process during
// the window counts (the phone is another process).
void BM_PlayingConnectionAllocations(benchmark::State& state) {
    BenchController bench({}, true);
    if (!bench.connected()) {
        state.SkipWithError("no connection to the phone simulator");
        return;
    }
    ReceptionStats& stats = receptionStats();
    std::this_thread::sleep_for(std::chrono::seconds(1));  // past the connect's own allocations
    for (auto _ : state) {
        const int rx = stats.rx.load();
        const int64_t before = allocationCount();
        std::this_thread::sleep_for(std::chrono::seconds(3));
        const int64_t allocations = allocationCount() - before;
        const int frames = stats.rx.load() - rx;
        state.counters["frames"] = frames;
        state.counters["allocations"] = static_cast<double>(allocations);
        state.counters["allocs_per_frame"] =
            frames > 0 ? static_cast<double>(allocations) / frames : -1;
    }
}
BENCHMARK(BM_PlayingConnectionAllocations)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace kavri::bench
