// The whole program playing a local MP3: start-up as the executable does it,
// the stream started as a local file is, then the polling loop with its
// 35 ms refresh for 30 s (KESTREL_BENCH_SECONDS). Reports the CPU time of
// every thread of the process (the audio library's included) as a share of
// one core over the wall-clock time.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/program.h"
#include "audio/playback.h"
#include "audio/track_length.h"
#include "bench_program.h"
#include "platform/gui/gui.h"
#include "platform/net/net.h"
#include "state/app_state.h"

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void BM_PlayLocalMp3(benchmark::State& state) {
    const char* secondsText = std::getenv("KESTREL_BENCH_SECONDS");
    const double seconds = secondsText ? std::atof(secondsText) : 30.0;
    const auto dir = std::filesystem::temp_directory_path() / ("kestrel-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string wav = (dir / "tone.wav").string(), mp3 = (dir / "tone.mp3").string();
    const std::string make = "sox -n -r 44100 -c 2 '" + wav + "' synth " + std::to_string(int(seconds) + 10) +
                             " sine 220 sine 660 && lame --quiet -b 192 '" + wav + "' '" + mp3 + "'";
    if (std::system(make.c_str()) != 0) {
        state.SkipWithError("sox or lame failed");
        return;
    }
    std::filesystem::current_path(dir);
    if (!startProgramForBench()) {
        state.SkipWithError("start-up or the audio library failed");
        return;
    }
    for (auto _ : state) {
        startStream(mp3);
        probeTrackLength(1, mp3);
        const double cpu0 = cpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        double elapsed = 0;
        while (elapsed < seconds) {
            loopPass();
            elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        }
        const double cpu = cpuSeconds() - cpu0;
        state.SetIterationTime(elapsed);
        state.counters["core_percent"] = 100.0 * cpu / elapsed;
        state.counters["position_s"] = appState.positionMs / 1000.0;
        state.counters["playing"] = appState.channelPlaying;
    }
    shutDown();
    std::filesystem::remove_all(dir);
}
// One run: the result is a share over 30 s, not a distribution of short timings.
BENCHMARK(BM_PlayLocalMp3)->Iterations(1)->Repetitions(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
