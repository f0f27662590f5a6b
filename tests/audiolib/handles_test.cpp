// Every entry point is safe with null, stale and released handles, and the
// system's life cycle holds.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "audio_fixture.h"

using namespace audiotest;
using namespace std::chrono_literals;

TEST(Handles, NullHandlesFailWithoutCrashing) {
    float f = 0.25f, bins[512];
    unsigned pos = 7;
    int playing = 1;
    FMOD_SOUND* sound = reinterpret_cast<FMOD_SOUND*>(1);
    FMOD_CHANNEL* channel = reinterpret_cast<FMOD_CHANNEL*>(1);
    EXPECT_NE(FMOD_System_Create(nullptr), 0);
    EXPECT_NE(FMOD_System_Init(nullptr, 1, 0, nullptr), 0);
    EXPECT_NE(FMOD_System_CreateStream(nullptr, "x.mp3", 0x40, nullptr, &sound), 0);
    EXPECT_EQ(sound, nullptr);
    EXPECT_NE(FMOD_System_PlaySound(nullptr, 0, nullptr, 0, &channel), 0);
    EXPECT_EQ(channel, nullptr);
    EXPECT_NE(FMOD_Channel_SetVolume(nullptr, 0.5f), 0);
    EXPECT_NE(FMOD_Channel_GetVolume(nullptr, &f), 0);
    EXPECT_FLOAT_EQ(f, 0.25f);
    EXPECT_NE(FMOD_Channel_GetSpectrum(nullptr, bins, 512, 0, 0), 0);
    EXPECT_NE(FMOD_Channel_GetPosition(nullptr, &pos, 1), 0);
    EXPECT_EQ(pos, 7u);
    EXPECT_NE(FMOD_Channel_SetPosition(nullptr, 1000, 1), 0);
    EXPECT_NE(FMOD_Channel_IsPlaying(nullptr, &playing), 0);
    EXPECT_EQ(playing, 0);
    EXPECT_NE(FMOD_Channel_SetPaused(nullptr, 1), 0);
    EXPECT_NE(FMOD_Sound_Release(nullptr), 0);
    EXPECT_NE(FMOD_System_Close(nullptr), 0);
    EXPECT_NE(FMOD_System_Release(nullptr), 0);
    // Handles that were never issued are refused the same way.
    EXPECT_NE(FMOD_Channel_SetPaused(reinterpret_cast<FMOD_CHANNEL*>(0x1234), 1), 0);
    EXPECT_NE(FMOD_Sound_Release(reinterpret_cast<FMOD_SOUND*>(0x5678)), 0);
}

TEST(Handles, ReplacedAndReleasedHandlesGoStale) {
    Session s;
    FMOD_SOUND* a = s.open(toneWav(440, 3));
    FMOD_SOUND* b = s.open(toneWav(1000, 3));
    FMOD_CHANNEL* chA = s.play(a);
    FMOD_CHANNEL* chB = s.play(b);
    ASSERT_NE(chA, chB);

    int playing = 1;
    float volume = 0;
    EXPECT_EQ(FMOD_Channel_IsPlaying(chA, &playing), KESTREL_AUDIO_ERR_INVALID_HANDLE);
    EXPECT_EQ(playing, 0);
    EXPECT_EQ(FMOD_Channel_SetVolume(chA, 0.1f), KESTREL_AUDIO_ERR_INVALID_HANDLE);
    EXPECT_EQ(FMOD_Channel_SetPaused(chA, 1), KESTREL_AUDIO_ERR_INVALID_HANDLE);
    EXPECT_EQ(FMOD_Channel_GetVolume(chB, &volume), KESTREL_AUDIO_OK);
    EXPECT_FLOAT_EQ(volume, 1.0f);  // the stale call did not reach the new channel
    EXPECT_TRUE(s.playing(chB));

    EXPECT_EQ(FMOD_Sound_Release(a), KESTREL_AUDIO_OK);
    EXPECT_EQ(FMOD_Sound_Release(a), KESTREL_AUDIO_ERR_INVALID_HANDLE);
    EXPECT_TRUE(s.playing(chB));
    // Releasing the sound that plays empties the channel.
    EXPECT_EQ(FMOD_Sound_Release(b), KESTREL_AUDIO_OK);
    EXPECT_FALSE(s.playing(chB));
    EXPECT_EQ(FMOD_System_PlaySound(s.system(), 0, b, 0, &chB), KESTREL_AUDIO_ERR_INVALID_HANDLE);
    EXPECT_EQ(chB, nullptr);
}

TEST(Handles, FailedOpenLeavesNothingPlaying) {
    Session s;
    FMOD_CHANNEL* ch = s.play(s.open(toneWav(1000, 5)));
    std::this_thread::sleep_for(200ms);
    FMOD_SOUND* missing = reinterpret_cast<FMOD_SOUND*>(1);
    EXPECT_EQ(FMOD_System_CreateStream(s.system(), "/no/such/file.mp3", 0x40, nullptr, &missing),
              KESTREL_AUDIO_ERR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);
    // The player plays whatever the open left in its handle, as it always does.
    EXPECT_NE(FMOD_System_PlaySound(s.system(), 0, missing, 0, &ch), 0);
    EXPECT_FALSE(s.playing(ch));
    double stoppedAt = s.outputSeconds();
    std::this_thread::sleep_for(200ms);
    EXPECT_LT(peak(s.output(), stoppedAt + 0.03, 0.15), 1e-4);
}

TEST(Handles, ParametersOutsideTheContractAreRefused) {
    Session s;
    FMOD_CHANNEL* ch = s.play(s.open(toneWav(1000, 2)));
    float bins[513];
    unsigned pos = 0;
    EXPECT_EQ(FMOD_Channel_GetSpectrum(ch, bins, 0, 0, 0), KESTREL_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_Channel_GetSpectrum(ch, bins, 513, 0, 0), KESTREL_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_Channel_GetSpectrum(ch, bins, 512, 0, 3), KESTREL_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_Channel_GetSpectrum(ch, nullptr, 512, 0, 0), KESTREL_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_Channel_GetPosition(ch, &pos, 2), KESTREL_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_Channel_GetPosition(ch, nullptr, 1), KESTREL_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_Channel_SetVolume(ch, std::nanf("")), KESTREL_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_System_PlaySound(s.system(), 3, nullptr, 0, &ch), KESTREL_AUDIO_ERR_INVALID_PARAM);
    FMOD_SOUND* sound = nullptr;
    EXPECT_EQ(FMOD_System_CreateStream(s.system(), "", 0x40, nullptr, &sound),
              KESTREL_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(FMOD_System_CreateStream(s.system(), nullptr, 0x40, nullptr, &sound),
              KESTREL_AUDIO_ERR_INVALID_PARAM);
}

TEST(Handles, SystemLifeCycle) {
    FMOD_SYSTEM* sys = nullptr;
    ::setenv("KESTREL_AUDIO_OUTPUT", "null", 1);
    ASSERT_EQ(FMOD_System_Create(&sys), KESTREL_AUDIO_OK);
    FMOD_SOUND* sound = nullptr;
    // Sounds open before the output exists, but play only after Init.
    ASSERT_EQ(FMOD_System_CreateStream(sys, toneWav(1000, 1).c_str(), 0x40, nullptr, &sound),
              KESTREL_AUDIO_OK);
    FMOD_CHANNEL* ch = nullptr;
    EXPECT_EQ(FMOD_System_PlaySound(sys, 0, sound, 0, &ch), KESTREL_AUDIO_ERR_UNINITIALIZED);
    EXPECT_EQ(FMOD_System_Init(sys, 0, 0, nullptr), KESTREL_AUDIO_ERR_INVALID_PARAM);
    ASSERT_EQ(FMOD_System_Init(sys, 1, 0, nullptr), KESTREL_AUDIO_OK);
    ASSERT_EQ(FMOD_System_PlaySound(sys, 0, sound, 1, &ch), KESTREL_AUDIO_OK);
    int playing = 0;
    EXPECT_EQ(FMOD_Channel_IsPlaying(ch, &playing), KESTREL_AUDIO_OK);
    EXPECT_EQ(playing, 1);  // started paused, still playing

    // The player's shutdown order, then calls on what is gone.
    EXPECT_EQ(FMOD_Sound_Release(sound), KESTREL_AUDIO_OK);
    EXPECT_EQ(FMOD_System_Close(sys), KESTREL_AUDIO_OK);
    EXPECT_EQ(FMOD_System_Release(sys), KESTREL_AUDIO_OK);
    EXPECT_NE(FMOD_System_Release(sys), 0);
    EXPECT_NE(FMOD_Channel_IsPlaying(ch, &playing), 0);
    EXPECT_NE(FMOD_System_CreateStream(sys, toneWav(1000, 1).c_str(), 0x40, nullptr, &sound), 0);

    // Closing with sounds still open releases them.
    ASSERT_EQ(FMOD_System_Create(&sys), KESTREL_AUDIO_OK);
    ASSERT_EQ(FMOD_System_Init(sys, 1, 0, nullptr), KESTREL_AUDIO_OK);
    ASSERT_EQ(FMOD_System_CreateStream(sys, toneWav(1000, 1).c_str(), 0x40, nullptr, &sound),
              KESTREL_AUDIO_OK);
    ASSERT_EQ(FMOD_System_PlaySound(sys, 0, sound, 0, &ch), KESTREL_AUDIO_OK);
    EXPECT_EQ(FMOD_System_Close(sys), KESTREL_AUDIO_OK);
    EXPECT_NE(FMOD_Sound_Release(sound), 0);
    EXPECT_EQ(FMOD_System_Release(sys), KESTREL_AUDIO_OK);
    ::unsetenv("KESTREL_AUDIO_OUTPUT");
}
