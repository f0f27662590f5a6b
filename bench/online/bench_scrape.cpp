// Scraping a 1,000,000-byte result page that holds 99 results spread over
// it (each line padded as a page with long lines would be).
#include <benchmark/benchmark.h>

#include "online/scrape.h"

namespace {

std::string megabytePage() {
    std::string page = "<html><body>\r\n";
    const size_t perResult = 1000000 / 100;
    for (int n = 1; n <= 99; ++n) {
        std::string line = std::to_string(n) + ". <a href=\"/f/" + std::to_string(n) + ".mp3\">Artist " +
                           std::to_string(n) + " - Song &#39;" + std::to_string(n) +
                           "&#39;</a> 3:20 128 kbit/s<BR>\r\n";
        page += line;
        // Markup between results: digits, points and anchors that are no markers.
        while (page.size() < n * perResult) page += "<div class=\"ad\">2010. <a href=#>1.2.3</a></div>\r\n";
    }
    page.resize(1000000, ' ');
    return page;
}

void BM_ScrapeMegabytePage(benchmark::State& state) {
    const std::string page = megabytePage();
    for (auto _ : state) {
        auto results = scrapeResults(page);
        if (results.size() != 99) state.SkipWithError("wrong result count");
        benchmark::DoNotOptimize(results);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(page.size()));
}
BENCHMARK(BM_ScrapeMegabytePage)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
