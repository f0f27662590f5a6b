// One display refresh with the program's own pictures, fonts and controls,
// while the spectrum and the position change on every tick (as when playing).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

#include "audio/display_refresh.h"
#include "bench_program.h"
#include "platform/gui/gui.h"
#include "platform/net/net_testing.h"
#include "state/app_state.h"
#include "ui/ids.h"
#include "ui/register.h"
#include "ui/skin.h"

namespace {

void setUpWindow() {
    static bool done = false;
    if (done) return;
    done = true;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    gui::init(argc, argv);
    net::overrideConnected(true);
    buildMainWindowForBench();
    appState.volume = 0.5f;
    appState.volumeFill = 33;
    appState.nowPlayingText = "12. Исполнитель - Длинное название песни для строки состояния";
    appState.trackLengthSeconds = 245;
}

void BM_RefreshWhilePlaying(benchmark::State& state) {
    setUpWindow();
    uint32_t tick = 0;
    for (auto _ : state) {
        ++tick;
        for (int k = 0; k < 512; ++k)
            appState.spectrum[k] = 0.04f + 0.035f * std::sin(0.3f * static_cast<float>(k) + 0.7f * tick);
        appState.positionMs = tick * 35;
        refreshDisplay();
    }
}
BENCHMARK(BM_RefreshWhilePlaying)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_RefreshIdle(benchmark::State& state) {
    setUpWindow();
    for (int k = 0; k < 512; ++k) appState.spectrum[k] = 0.0f;
    for (auto _ : state) refreshDisplay();
}
BENCHMARK(BM_RefreshIdle)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
