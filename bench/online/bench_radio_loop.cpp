// The window never waits on the network: the whole program (offscreen, null
// audio output) runs its loop while a live station opens, while a dead
// station (accepts, never answers) fails and the advance runs, and while a
// search goes to a site that never answers. Reports the longest gap between
// two loop passes in each phase; the search reports how long runSearch held
// the loop (its 1 s wait, at most 3 s in all). The station is
// tests/support/radio_server.py. Runs once (start-up cannot be repeated).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "app/program.h"
#include "audio/playback.h"
#include "bench_program.h"
#include "online/search.h"
#include "platform/gui/gui.h"
#include "state/app_state.h"
#include "ui/ids.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Runs loop passes until `done` or `limit`; returns the longest gap between
// the ends of two passes (the first measured from the call).
double longestGap(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    auto last = Clock::now(), end = last + limit;
    double longest = 0;
    while (Clock::now() < end && !done()) {
        loopPass();
        auto now = Clock::now();
        longest = std::max(longest, ms(now - last));
        last = now;
    }
    return longest;
}

// The radio server on a free port; its port, or 0.
int startStation(const std::string& mp3, pid_t* pid) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return 0;
    std::string script = std::string(KESTREL_SOURCE_DIR) + "/tests/support/radio_server.py";
    const char* argv[] = {"python3", script.c_str(), mp3.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    int spawned = posix_spawnp(pid, "python3", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string line;
    char c = 0;
    while (spawned == 0 && line.size() < 16 && ::read(out[0], &c, 1) == 1 && c != '\n') line += c;
    ::close(out[0]);
    return std::atoi(line.c_str());
}

void BM_LoopWhileStationsOpenFailAndSearchHangs(benchmark::State& state) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("kestrel-bench-radio-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string wav = (dir / "tone.wav").string(), mp3 = (dir / "tone.mp3").string();
    if (std::system(("sox -n -r 44100 -c 2 '" + wav + "' synth 10 sine 440 && lame --quiet -b 128 '" + wav +
                     "' '" + mp3 + "'")
                        .c_str()) != 0) {
        state.SkipWithError("sox or lame failed");
        return;
    }
    pid_t server = -1;
    const int port = startStation(mp3, &server);
    const std::string base = "http://127.0.0.1:" + std::to_string(port);
    std::filesystem::current_path(dir);
    setenv("KESTREL_AUDIO_OUTPUT", "null", 1);
    setenv("KESTREL_SITE_URL", (base + "/never/").c_str(), 1);
    if (port == 0 || !startProgramForBench()) {
        state.SkipWithError("the station or the program did not start");
        return;
    }
    for (auto _ : state) {
        longestGap([] { return false; }, std::chrono::milliseconds(300));  // settle
        auto start = Clock::now();
        startStream(base + "/live?enc=cp1251");
        state.counters["open_gap_ms"] =
            longestGap([] { return appState.positionMs > 0; }, std::chrono::milliseconds(5000));
        state.counters["open_to_sound_ms"] = ms(Clock::now() - start);
        longestGap([] { return !appState.nowPlayingTitle.empty(); }, std::chrono::milliseconds(3000));
        state.counters["title_shown"] = appState.nowPlayingTitle.empty() ? 0 : 1;

        // A dead station: the channel answers "playing" while it opens, then
        // stops; the loop turns throughout.
        start = Clock::now();
        startStream(base + "/never");
        state.counters["dead_gap_ms"] =
            longestGap([] { return appState.channelPlaying == 0; }, std::chrono::milliseconds(12000));
        state.counters["dead_fails_after_s"] = ms(Clock::now() - start) / 1000.0;

        gui::setText(ctl::SearchField, "Depeche Mode");
        start = Clock::now();
        runSearch();
        state.counters["search_hold_ms"] = ms(Clock::now() - start);
        state.counters["after_search_gap_ms"] =
            longestGap([] { return false; }, std::chrono::milliseconds(500));
    }
    shutDown();
    ::kill(server, SIGKILL);
    ::waitpid(server, nullptr, 0);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LoopWhileStationsOpenFailAndSearchHangs)
    ->Iterations(1)
    ->Repetitions(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
