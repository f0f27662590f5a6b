// Times of a radio station through the audio library and the null output,
// for bench/audiolib/radio.sh:
//   audiolib_radio_timing first URL [DEAD_URL]
//       milliseconds from FMOD_System_CreateStream to the first sample
//       handed to the output (the spectrum turning non-zero); with
//       DEAD_URL (a server that never answers), a sound on it is created
//       and released unplayed just before;
//   audiolib_radio_timing return URL LOG
//       for tests/support/radio_server.py's /drop: milliseconds from the
//       server's return (its "up" line in LOG, CLOCK_MONOTONIC seconds) to
//       sound again.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "kestrel_audio.h"

namespace {

using Clock = std::chrono::steady_clock;

bool sounding(FMOD_CHANNEL* channel) {
    float bins[512] = {};
    if (FMOD_Channel_GetSpectrum(channel, bins, 512, 0, 0) != KESTREL_AUDIO_OK) return false;
    return *std::max_element(bins, bins + 512) > 0.01f;
}

// Polls every millisecond until `done` or `limit` passes.
template <typename F>
bool waitFor(F done, std::chrono::milliseconds limit) {
    auto end = Clock::now() + limit;
    while (Clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

double serverUpAt(const char* log) {
    std::ifstream in(log);
    std::string word;
    double t = -1;
    while (in >> word)
        if (word == "up") in >> t;
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    bool first = (argc == 3 || argc == 4) && std::strcmp(argv[1], "first") == 0;
    bool back = argc == 4 && std::strcmp(argv[1], "return") == 0;
    if (!first && !back) {
        std::fprintf(stderr, "usage: audiolib_radio_timing first URL [DEAD_URL] | return URL LOG\n");
        return 2;
    }
    setenv("KESTREL_AUDIO_OUTPUT", "null", 1);
    FMOD_SYSTEM* system = nullptr;
    FMOD_SOUND* sound = nullptr;
    FMOD_CHANNEL* channel = nullptr;
    if (FMOD_System_Create(&system) || FMOD_System_Init(system, 1, 0, nullptr)) return 1;
    if (first && argc == 4) {
        FMOD_SOUND* dead = nullptr;
        if (FMOD_System_CreateStream(system, argv[3], 0x40, nullptr, &dead) || FMOD_Sound_Release(dead))
            return 1;
    }
    auto start = Clock::now();
    if (FMOD_System_CreateStream(system, argv[2], 0x40, nullptr, &sound) ||
        FMOD_System_PlaySound(system, 0, sound, 0, &channel))
        return 1;
    int status = 1;
    if (!waitFor([&] { return sounding(channel); }, std::chrono::milliseconds(10000))) {
        std::fprintf(stderr, "no sound from %s\n", argv[2]);
    } else if (first) {
        std::printf("%.1f\n", std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        status = 0;
    } else if (waitFor([&] { return !sounding(channel); }, std::chrono::milliseconds(10000)) &&
               waitFor([&] { return sounding(channel); }, std::chrono::milliseconds(25000))) {
        double now = std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
        double up = serverUpAt(argv[3]);
        if (up > 0) {
            std::printf("%.1f\n", (now - up) * 1000.0);
            status = 0;
        }
    }
    FMOD_Sound_Release(sound);
    FMOD_System_Close(system);
    FMOD_System_Release(system);
    return status;
}
