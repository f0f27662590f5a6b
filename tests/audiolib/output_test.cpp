// The outputs: the sound device through SDL (its file-writing driver stands
// in for a device), the null output's real-time pace, and a WAV file whose
// header stays valid while it grows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "audio_fixture.h"

using namespace audiotest;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// A system on the output the environment chooses, released at the end.
struct PlainSystem {
    FMOD_SYSTEM* system = nullptr;
    PlainSystem() {
        EXPECT_EQ(FMOD_System_Create(&system), KESTREL_AUDIO_OK);
        EXPECT_EQ(FMOD_System_Init(system, 1, 0, nullptr), KESTREL_AUDIO_OK);
    }
    ~PlainSystem() { FMOD_System_Release(system); }
    FMOD_CHANNEL* play(const std::string& name) {
        FMOD_SOUND* sound = nullptr;
        FMOD_CHANNEL* channel = nullptr;
        EXPECT_EQ(FMOD_System_CreateStream(system, name.c_str(), 0x40, nullptr, &sound), KESTREL_AUDIO_OK);
        EXPECT_EQ(FMOD_System_PlaySound(system, 0, sound, 0, &channel), KESTREL_AUDIO_OK);
        return channel;
    }
};

int outputOf(FMOD_SYSTEM* system) {
    int output = -1;
    KESTREL_System_GetOutput(system, &output);
    return output;
}

bool playing(FMOD_CHANNEL* ch) {
    int p = 0;
    FMOD_Channel_IsPlaying(ch, &p);
    return p != 0;
}

}  // namespace

TEST(Output, SdlDeviceCallbackPlaysTheTone) {
    std::string raw = (fixtureDir() / "sdl.raw").string();
    ::setenv("SDL_AUDIODRIVER", "disk", 1);
    ::setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
    {
        PlainSystem sys;
        FMOD_CHANNEL* ch = sys.play(toneWav(1000, 1, 0.5));
        std::this_thread::sleep_for(400ms);
        EXPECT_EQ(outputOf(sys.system), KESTREL_AUDIO_OUTPUT_DEVICE);
        float bins[512] = {};
        ASSERT_EQ(FMOD_Channel_GetSpectrum(ch, bins, 512, 0, 0), KESTREL_AUDIO_OK);
        EXPECT_EQ(std::max_element(bins, bins + 512) - bins, 23);
        EXPECT_TRUE(waitUntil([&] { return !playing(ch); }, 2000ms));
    }
    ::unsetenv("SDL_AUDIODRIVER");
    ::unsetenv("SDL_DISKAUDIOFILE");
    // The device got stereo float frames: one second of the tone at 0.5.
    std::ifstream in(raw, std::ios::binary);
    std::vector<float> samples((fs::file_size(raw)) / sizeof(float));
    in.read(reinterpret_cast<char*>(samples.data()),
            static_cast<std::streamsize>(samples.size() * sizeof(float)));
    float top = 0;
    size_t loud = 0;
    for (size_t i = 0; i < samples.size(); i += 2) {
        top = std::max(top, std::fabs(samples[i]));
        loud += std::fabs(samples[i]) > 0.25f;
    }
    EXPECT_NEAR(top, 0.5f, 0.01f);
    EXPECT_NEAR(loud / 44100.0, 0.66, 0.05);  // |sin| > 0.5 two thirds of the time
}

TEST(Output, NullOutputKeepsRealTimeAndTheWavHeaderStaysValid) {
    ::setenv("KESTREL_AUDIO_OUTPUT", "null", 1);
    {
        PlainSystem sys;
        FMOD_CHANNEL* ch = sys.play(toneWav(1000, 0.8));
        auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(waitUntil([&] { return !playing(ch); }, 2000ms));
        EXPECT_NEAR(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 0.8,
                    0.08);
    }
    ::unsetenv("KESTREL_AUDIO_OUTPUT");

    Session s;
    s.play(s.open(toneWav(1000, 2)));
    for (int i = 0; i < 5; ++i) {
        std::this_thread::sleep_for(100ms);
        double onDisk = s.outputSeconds();
        Wav out = s.output();  // read while it is being written
        EXPECT_EQ(out.rate, 44100);
        EXPECT_EQ(out.channels, 2);
        // The header counts what was on disk before, but for the one buffer
        // being appended at that moment.
        EXPECT_GE(out.seconds(), onDisk - 0.03);
        EXPECT_GT(out.seconds(), 0.1 * (i + 1));
    }
}

namespace {

// Threads of this process named `name` (the null output names its thread).
int threadsNamed(const std::string& name) {
    int count = 0;
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string line;
        if (std::getline(comm, line) && line == name) ++count;
    }
    return count;
}

}  // namespace

// The device is opened by the first sound, closed after a silence, and
// opened again both by a new sound and by the end of a pause.
// With no device (SDL knows no such driver) the sound goes to the null
// output, and the library says so while that output is open.
TEST(Output, DeviceOpensOnTheFirstSoundAndClosesAfterSilence) {
    ::setenv("SDL_AUDIODRIVER", "kestrel-no-such-driver", 1);
    ::setenv("KESTREL_AUDIO_CLOSE_AFTER_MS", "300", 1);
    {
        PlainSystem sys;
        const auto running = [] { return threadsNamed("kestrel-output") == 1; };
        const auto closed = [] { return threadsNamed("kestrel-output") == 0; };
        std::this_thread::sleep_for(100ms);
        EXPECT_TRUE(closed()) << "an output runs before anything plays";
        EXPECT_EQ(outputOf(sys.system), KESTREL_AUDIO_OUTPUT_UNKNOWN);

        FMOD_CHANNEL* ch = sys.play(toneWav(1000, 0.3));
        EXPECT_TRUE(waitUntil(running, 2000ms));
        EXPECT_TRUE(waitUntil([&] { return outputOf(sys.system) == KESTREL_AUDIO_OUTPUT_NONE; }, 2000ms));
        EXPECT_TRUE(waitUntil([&] { return !playing(ch); }, 2000ms));
        EXPECT_TRUE(waitUntil(closed, 3000ms)) << "the output outlived the silence";
        EXPECT_EQ(outputOf(sys.system), KESTREL_AUDIO_OUTPUT_UNKNOWN);

        ch = sys.play(toneWav(1000, 5));
        unsigned ms = 0;
        EXPECT_TRUE(waitUntil([&] { return FMOD_Channel_GetPosition(ch, &ms, 1) == 0 && ms > 300; }, 3000ms))
            << "a sound after the close is not heard";

        ASSERT_EQ(FMOD_Channel_SetPaused(ch, 1), KESTREL_AUDIO_OK);
        EXPECT_TRUE(waitUntil(closed, 3000ms)) << "a long pause keeps the output";
        FMOD_Channel_GetPosition(ch, &ms, 1);
        const unsigned held = ms;
        ASSERT_EQ(FMOD_Channel_SetPaused(ch, 0), KESTREL_AUDIO_OK);
        EXPECT_TRUE(
            waitUntil([&] { return FMOD_Channel_GetPosition(ch, &ms, 1) == 0 && ms > held + 300; }, 3000ms))
            << "the end of a long pause is not heard";
    }
    ::unsetenv("KESTREL_AUDIO_CLOSE_AFTER_MS");
    ::unsetenv("SDL_AUDIODRIVER");
}
