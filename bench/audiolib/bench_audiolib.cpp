// Google Benchmark figures of the audio library, through its exported
// functions and the null output:
//   Spectrum          one FMOD_Channel_GetSpectrum call (target: 20 us)
//   FirstSample/...   FMOD_System_CreateStream to the first sample handed to
//                     the output, seen as the spectrum turning non-zero
//                     (targets: 30 ms local, 100 ms loopback HTTP)
//   MemoryPerStream/  resident memory per open stream (target: 8 MB)
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "http_fixture.h"
#include "kestrel_audio.h"

namespace {

using Clock = std::chrono::steady_clock;

// Fixtures and the one system, made once for the whole run.
struct World {
    std::string dir;
    std::string mp3;
    FMOD_SYSTEM* system = nullptr;
    std::unique_ptr<audiotest::HttpServer> server;

    World() {
        char pattern[] = "/tmp/kestrel-audio-bench-XXXXXX";
        dir = ::mkdtemp(pattern);
        mp3 = dir + "/tone.mp3";
        std::string wav = dir + "/tone.wav";
        if (std::system(("sox -n -r 44100 -c 2 -b 16 " + wav +
                         " synth 20 sine 1000 vol 0.5 && lame --quiet --cbr -b 128 " + wav + " " + mp3)
                            .c_str()) != 0)
            std::abort();
        setenv("KESTREL_AUDIO_OUTPUT", "null", 1);
        FMOD_System_Create(&system);
        FMOD_System_Init(system, 1, 0, nullptr);
        server = std::make_unique<audiotest::HttpServer>(mp3);
    }
    ~World() {
        server.reset();
        FMOD_System_Close(system);
        FMOD_System_Release(system);
        std::system(("rm -rf " + dir).c_str());
    }
};

World& world() {
    static World w;
    return w;
}

float loudest(FMOD_CHANNEL* channel) {
    float bins[512] = {};
    if (FMOD_Channel_GetSpectrum(channel, bins, 512, 0, 0) != KESTREL_AUDIO_OK) return 0;
    return *std::max_element(bins, bins + 512);
}

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

void Spectrum(benchmark::State& state) {
    World& w = world();
    FMOD_SOUND* sound = nullptr;
    FMOD_CHANNEL* channel = nullptr;
    FMOD_System_CreateStream(w.system, w.mp3.c_str(), 0x40, nullptr, &sound);
    FMOD_System_PlaySound(w.system, 0, sound, 0, &channel);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::vector<float> bins(512);
    for (auto _ : state) {
        FMOD_Channel_GetSpectrum(channel, bins.data(), 512, 0, 0);
        benchmark::DoNotOptimize(bins.data());
    }
    FMOD_Sound_Release(sound);
}
BENCHMARK(Spectrum);

void FirstSample(benchmark::State& state, bool http) {
    World& w = world();
    std::string name = http ? w.server->url("/tone.mp3") : w.mp3;
    for (auto _ : state) {
        auto start = Clock::now();
        FMOD_SOUND* sound = nullptr;
        FMOD_CHANNEL* channel = nullptr;
        if (FMOD_System_CreateStream(w.system, name.c_str(), 0x40, nullptr, &sound) ||
            FMOD_System_PlaySound(w.system, 0, sound, 0, &channel)) {
            state.SkipWithError("cannot open");
            break;
        }
        while (loudest(channel) < 0.01f && Clock::now() - start < std::chrono::seconds(2)) {
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        FMOD_Sound_Release(sound);
        // Let the output push the old sound out of the spectrum's window.
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
    }
}
BENCHMARK_CAPTURE(FirstSample, local_mp3, false)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);
BENCHMARK_CAPTURE(FirstSample, loopback_http_mp3, true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

void MemoryPerStream(benchmark::State& state, bool http) {
    World& w = world();
    const int count = 16;
    std::string name = http ? w.server->url("/radio") : w.mp3;
    for (auto _ : state) {
        // One stream first, so that the libraries' own one-off allocations
        // are not counted against the streams.
        FMOD_SOUND* warm = nullptr;
        FMOD_System_CreateStream(w.system, name.c_str(), 0x40, nullptr, &warm);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        long before = residentKb();
        std::vector<FMOD_SOUND*> sounds(count);
        for (auto& s : sounds) FMOD_System_CreateStream(w.system, name.c_str(), 0x40, nullptr, &s);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));  // each decodes its two seconds ahead
        long after = residentKb();
        state.counters["MB_per_stream"] = (after - before) / 1024.0 / count;
        for (auto* s : sounds) FMOD_Sound_Release(s);
        FMOD_Sound_Release(warm);
    }
}
BENCHMARK_CAPTURE(MemoryPerStream, local_mp3, false)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(MemoryPerStream, http_radio, true)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
