// The outline of a 727 x 400 skin (target: at most 1 ms) and a whole mode
// switch with its skin, moves and repaint (target: at most 10 ms), against
// reading the skin pixel by pixel as a baseline.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "app/modes.h"
#include "bench_program.h"
#include "platform/gui/gui_testing.h"
#include "state/app_state.h"
#include "ui/ids.h"
#include "ui/register.h"
#include "ui/skin.h"

namespace {

void BM_RegionFromBitmap(benchmark::State& state) {
    const int skin = int(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(RegionFromBitmap(skin, 0, 0));
    state.counters["rects"] = double(RegionFromBitmap(skin, 0, 0).size());
}
BENCHMARK(BM_RegionFromBitmap)->Arg(img::SearchSkin)->Arg(img::Mp3Skin)->Unit(benchmark::kMicrosecond);

// The scan alone, on pixels already fetched.
void BM_RegionFromPixels(benchmark::State& state) {
    const std::vector<uint32_t> pixels = gui::imagePixels(img::SearchSkin);
    for (auto _ : state) benchmark::DoNotOptimize(RegionFromPixels(pixels, 727, 400, 0, 0));
}
BENCHMARK(BM_RegionFromPixels)->Unit(benchmark::kMicrosecond);

// The bulk pixel read RegionFromBitmap starts with.
void BM_ImagePixels(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(gui::imagePixels(img::SearchSkin));
}
BENCHMARK(BM_ImagePixels)->Unit(benchmark::kMicrosecond);

// Baseline: one gui::imagePixel call per pixel, as a first version did.
void BM_ReadPixelByPixel(benchmark::State& state) {
    for (auto _ : state) {
        unsigned sum = 0;
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < 727; ++x) sum += gui::imagePixel(img::SearchSkin, x, y).g;
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ReadPixelByPixel)->Unit(benchmark::kMicrosecond);

void BM_ApplySkin(benchmark::State& state) {
    int i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(ApplySkin(win::MainWindow, ++i % 2 ? img::RadioSkin : img::SearchSkin));
}
BENCHMARK(BM_ApplySkin)->Unit(benchmark::kMicrosecond);

// Radio on or off: skin, the moves of the mode table, and the repaint the
// toolkit does in the next event wait.
void BM_ModeSwitch(benchmark::State& state) {
    for (auto _ : state) {
        toggleRadioMode();
        gui::waitWindowEvent(0);
    }
}
BENCHMARK(BM_ModeSwitch)->Unit(benchmark::kMicrosecond);

void BM_CompactSwitch(benchmark::State& state) {
    for (auto _ : state) {
        toggleCompactMode();
        gui::waitWindowEvent(0);
    }
}
BENCHMARK(BM_CompactSwitch)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The main window as start-up builds it, in an empty working directory.
    const auto dir = std::filesystem::temp_directory_path() / "kestrel-bench-skin";
    std::filesystem::create_directories(dir);
    std::filesystem::current_path(dir);
    static int qtArgc = 1;
    static char name[] = "bench_skin";
    static char* qtArgv[] = {name, nullptr};
    if (!gui::init(qtArgc, qtArgv)) return 1;
    buildMainWindowForBench();
    for (int i = 0; i < 10; ++i) gui::waitWindowEvent(10);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
