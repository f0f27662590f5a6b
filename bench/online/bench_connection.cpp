// The connection state: the cached answer the 35 ms tick gets, and a full
// re-read of the system's interfaces and routes (done at most every 250 ms).
#include <benchmark/benchmark.h>

#include "platform/net/net_testing.h"

namespace {

void BM_ConnectedCached(benchmark::State& state) {
    net::connected();
    for (auto _ : state) benchmark::DoNotOptimize(net::connected());
}
BENCHMARK(BM_ConnectedCached);

void BM_ConnectedReRead(benchmark::State& state) {
    for (auto _ : state) {
        net::overrideConnected(std::nullopt);  // forgets the cached answer
        benchmark::DoNotOptimize(net::connected());
    }
}
BENCHMARK(BM_ConnectedReRead)->Unit(benchmark::kMicrosecond);

// What a tick pays on average: one re-read in every seven 35 ms ticks.
void BM_ConnectedTickMix(benchmark::State& state) {
    int tick = 0;
    for (auto _ : state) {
        if (++tick % 7 == 0) net::overrideConnected(std::nullopt);
        benchmark::DoNotOptimize(net::connected());
    }
}
BENCHMARK(BM_ConnectedTickMix)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
