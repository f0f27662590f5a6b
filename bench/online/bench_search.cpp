// A search on loopback, from the click on SearchButton to the filled list,
// on the real toolkit (offscreen): the page fetch's one-second wait plus the
// transfer, the decoding, the scraping of 99 results and the 99 rows. Its
// peer is the bare page fetch of the same page, which is the floor.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "online/connectivity.h"
#include "online/search.h"
#include "platform/gui/gui.h"
#include "state/app_state.h"
#include "test_site_fixture.h"
#include "ui/ids.h"

namespace {

onlinetest::TestSite& site() {
    return onlinetest::fullResultsSite();
}

void buildControls() {
    gui::createWindow(win::MainWindow, gui::WindowStyle::Popup, 727, 400, "Kestrel");
    gui::createImage(img::AddIconImage, 16, 16);
    gui::createEdit(ctl::SearchField, win::MainWindow, 0, {43, 12, 180, 20}, "Depeche Mode Remix", false);
    gui::createCombo(ctl::HistoryCombo, win::MainWindow, 0, {30, 40, 250, 10}, {114, 114, 114}, {24, 24, 24});
    gui::createList(ctl::SearchResultsList, win::MainWindow, 0, {15, 35, 440, 280}, "", 420, true, {0, 0, 0});
    gui::showWindow(win::MainWindow);
}

void BM_SearchClickToFilledList(benchmark::State& state) {
    setenv("KESTREL_SITE_URL", site().base().c_str(), 1);
    for (auto _ : state) {
        runSearch();
        if (gui::listRowCount(ctl::SearchResultsList) != 99) state.SkipWithError("list not filled");
    }
}
BENCHMARK(BM_SearchClickToFilledList)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_PageFetchAlone(benchmark::State& state) {
    const std::string address = site().base() + "search.php?p=1&v=0&q=Depeche+Mode+Remix&x=32&y=15";
    for (auto _ : state) benchmark::DoNotOptimize(fetchPage(address));
}
BENCHMARK(BM_PageFetchAlone)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int qtArgc = 1;
    static char name[] = "bench_online_search";
    static char* qtArgv[] = {name, nullptr};
    if (!gui::init(qtArgc, qtArgv)) return 1;
    buildControls();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
