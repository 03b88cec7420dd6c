// The receive path of one media packet (header, check byte, decode, queue,
// statistics) against a bare opus_decode of the same packets.
#include <benchmark/benchmark.h>

#include <time.h>

#include "bench/common/allocation_counter.h"
#include "bench/common/bare_decode.h"
#include "bench/common/encoded_voice.h"
#include "bench/common/receive_path.h"

namespace kavri::bench {
namespace {

// Ten seconds of voice, replayed in a loop.
constexpr int PACKETS = 500;
// Both ways take turns in blocks of this many packets, so that they share
// the machine's ups and downs.
constexpr int BLOCK = 50;

const EncodedVoice& voice() {
    static const EncodedVoice encoded = encodeVoice(PACKETS);
    return encoded;
}

void BM_BareOpusDecode(benchmark::State& state) {
    BareDecode bare(voice());
    for (auto _ : state) {
        if (!bare.step())
            state.SkipWithError("decode failed");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BareOpusDecode)->Unit(benchmark::kMicrosecond);

void BM_ReceivePath(benchmark::State& state) {
    ReceivePath path(voice());
    for (int i = 0; i < BLOCK; ++i)
        path.step();  // steady state
    const int64_t before = allocationCount();
    for (auto _ : state) {
        if (!path.step())
            state.SkipWithError("packet refused");
    }
    state.counters["allocs_per_frame"] =
        static_cast<double>(allocationCount() - before) / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReceivePath)->Unit(benchmark::kMicrosecond);

// The thread's own processor time: time spent waiting for the processor on
// a busy machine does not count against either way.
double threadNanos() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e9 + static_cast<double>(now.tv_nsec);
}

void BM_ReceivePathOverBareDecode(benchmark::State& state) {
    BareDecode bare(voice());
    ReceivePath path(voice());
    double bareNs = 0;
    double pathNs = 0;
    int64_t packets = 0;
    for (auto _ : state) {
        const double t0 = threadNanos();
        for (int i = 0; i < BLOCK; ++i)
            bare.step();
        const double t1 = threadNanos();
        for (int i = 0; i < BLOCK; ++i)
            path.step();
        const double t2 = threadNanos();
        bareNs += t1 - t0;
        pathNs += t2 - t1;
        packets += BLOCK;
    }
    state.counters["bare_us"] = bareNs / static_cast<double>(packets) / 1000.0;
    state.counters["path_us"] = pathNs / static_cast<double>(packets) / 1000.0;
    state.counters["ratio"] = pathNs / bareNs;
}
BENCHMARK(BM_ReceivePathOverBareDecode)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace
}  // namespace kavri::bench
