// Sound during a search: the whole program plays a sine tone into the audio
// library's WAV output while three searches each hold the UI thread for a
// second. Runs once (start-up cannot be repeated in one process). Reports
// the longest silence inside the played stretch; a gap would mean the UI
// thread's wait starved the audio.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/program.h"
#include "audio/playback.h"
#include "bench_program.h"
#include "online/search.h"
#include "platform/gui/gui.h"
#include "platform/net/net.h"
#include "state/app_state.h"
#include "test_site_fixture.h"
#include "ui/ids.h"

namespace {

onlinetest::TestSite& site() {
    return onlinetest::fullResultsSite();
}

void runLoopFor(double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) loopPass();
}

// Longest run of (near) silent frames between the first and the last sound,
// in milliseconds, of a 16-bit stereo 44.1 kHz WAV file.
double longestGapMs(const std::string& path, double* soundSeconds) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() <= 44) return -1;
    const auto* samples = reinterpret_cast<const int16_t*>(bytes.data() + 44);
    const size_t frames = (bytes.size() - 44) / 4;
    auto loud = [&](size_t f) { return std::abs(samples[2 * f]) > 64 || std::abs(samples[2 * f + 1]) > 64; };
    size_t first = 0, last = frames;
    while (first < frames && !loud(first)) ++first;
    while (last > first && !loud(last - 1)) --last;
    size_t longest = 0, run = 0;
    for (size_t f = first; f < last; ++f) {
        run = loud(f) ? 0 : run + 1;
        longest = std::max(longest, run);
    }
    *soundSeconds = double(last - first) / 44100.0;
    return 1000.0 * double(longest) / 44100.0;
}

void BM_SoundDuringSearches(benchmark::State& state) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("kestrel-bench-search-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string wav = (dir / "tone.wav").string(), mp3 = (dir / "tone.mp3").string();
    const std::string out = (dir / "heard.wav").string();
    const std::string make = "sox -n -r 44100 -c 2 '" + wav + "' synth 30 sine 440 && lame --quiet -b 192 '" +
                             wav + "' '" + mp3 + "'";
    if (std::system(make.c_str()) != 0) {
        state.SkipWithError("sox or lame failed");
        return;
    }
    std::filesystem::current_path(dir);
    setenv("KESTREL_AUDIO_WAV", out.c_str(), 1);
    setenv("KESTREL_SITE_URL", site().base().c_str(), 1);
    if (!startProgramForBench()) {
        state.SkipWithError("start-up or the audio library failed");
        return;
    }
    for (auto _ : state) {
        startStream(mp3);
        runLoopFor(1.0);
        for (int i = 0; i < 3; ++i) {
            gui::setText(ctl::SearchField, "Depeche Mode");
            runSearch();  // holds this thread for at least a second
            runLoopFor(0.3);
        }
        runLoopFor(1.0);
    }
    state.counters["rows"] = gui::listRowCount(ctl::SearchResultsList);
    shutDown();
    double seconds = 0;
    state.counters["longest_gap_ms"] = longestGapMs(out, &seconds);
    state.counters["sound_s"] = seconds;
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SoundDuringSearches)->Iterations(1)->Repetitions(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
