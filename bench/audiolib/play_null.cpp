// Plays one file to its end through the null output, polling the way the
// player does, and prints the CPU seconds the whole process used.
//   audiolib_play_null FILE
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "kestrel_audio.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: audiolib_play_null FILE\n");
        return 2;
    }
    setenv("KESTREL_AUDIO_OUTPUT", "null", 1);
    FMOD_SYSTEM* system = nullptr;
    FMOD_SOUND* sound = nullptr;
    FMOD_CHANNEL* channel = nullptr;
    if (FMOD_System_Create(&system) || FMOD_System_Init(system, 1, 0, nullptr) ||
        FMOD_System_CreateStream(system, argv[1], 0x40, nullptr, &sound) ||
        FMOD_System_PlaySound(system, 0, sound, 0, &channel)) {
        std::fprintf(stderr, "cannot play %s\n", argv[1]);
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    int playing = 1;
    unsigned position = 0;
    while (playing) {
        // The player's poll, one pass in ten: position and state.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        FMOD_Channel_GetPosition(channel, &position, KESTREL_AUDIO_TIMEUNIT_MS);
        FMOD_Channel_IsPlaying(channel, &playing);
    }
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    FMOD_Sound_Release(sound);
    FMOD_System_Close(system);
    FMOD_System_Release(system);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    double cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                 usage.ru_stime.tv_usec / 1e6;
    std::printf("cpu %.3f wall %.3f position %u\n", cpu, wall, position);
    return 0;
}
