// Start-up's audio steps: unpack the carried library, map it from a memory
// file, bind the 14 names; then unmap, so that each iteration maps afresh.
#include <benchmark/benchmark.h>

#include "audio/audio_binding.h"
#include "platform/loader/loader.h"
#include "platform/loader/packed_image.h"
#include "platform/mci/mci.h"
#include "state/app_state.h"

extern "C" {
extern const unsigned char kestrel_audio_blob[];
extern const unsigned long kestrel_audio_blob_size;
}

namespace {

void BM_MapAndBindCarriedLibrary(benchmark::State& state) {
    // The program has FFmpeg loaded before main (its length probe uses it);
    // so does this benchmark, or every iteration would pay for loading it.
    mci::sendString("close all", nullptr, 0);
    for (auto _ : state) {
        appState.audioModule = mapModule({kestrel_audio_blob, kestrel_audio_blob_size});
        if (!appState.audioModule) {
            state.SkipWithError("the carried library could not be mapped");
            break;
        }
        bindAudioLibrary();
        benchmark::DoNotOptimize(appState.audio.FMOD_System_Release);
        state.PauseTiming();
        unmapModuleImage(appState.audioModule);
        appState.audioModule = nullptr;
        state.ResumeTiming();
    }
    state.counters["packed_bytes"] = static_cast<double>(kestrel_audio_blob_size);
}
BENCHMARK(BM_MapAndBindCarriedLibrary)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// The share of unpacking alone.
void BM_UnpackCarriedLibrary(benchmark::State& state) {
    for (auto _ : state) {
        auto image = loader::unpackImage({kestrel_audio_blob, kestrel_audio_blob_size});
        benchmark::DoNotOptimize(image);
    }
}
BENCHMARK(BM_UnpackCarriedLibrary)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
