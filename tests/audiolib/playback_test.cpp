// What the player hears: tones through the WAV output and the spectrum,
// replacement, volume, pause, seek and the end of a sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "audio_fixture.h"

using namespace audiotest;
using namespace std::chrono_literals;

namespace {

std::vector<float> spectrumOf(FMOD_CHANNEL* channel) {
    std::vector<float> bins(512, -1.0f);
    EXPECT_EQ(FMOD_Channel_GetSpectrum(channel, bins.data(), 512, 0, 0), KESTREL_AUDIO_OK);
    return bins;
}

int loudestBin(const std::vector<float>& bins) {
    return static_cast<int>(std::max_element(bins.begin(), bins.end()) - bins.begin());
}

}  // namespace

TEST(Playback, FullScaleKiloHertzTonePeaksInBin23AtAboutOne) {
    Session s;
    FMOD_CHANNEL* ch = s.play(s.open(toneWav(1000, 3, 1.0)));
    std::this_thread::sleep_for(300ms);
    auto bins = spectrumOf(ch);
    EXPECT_EQ(loudestBin(bins), 23);
    EXPECT_GT(bins[23], 0.85f);
    EXPECT_LT(bins[23], 1.05f);
    EXPECT_LT(bins[100], 0.01f);
    Wav out = s.output();
    EXPECT_NEAR(toneLevel(out, 1000, out.seconds() - 0.2, 0.1), 1.0, 0.02);
}

TEST(Playback, NewSoundReplacesTheOldAtOnceAndTheOldCanBeReleased) {
    Session s;
    FMOD_SOUND* first = s.open(toneWav(440, 5));
    FMOD_CHANNEL* ch1 = s.play(first);
    std::this_thread::sleep_for(500ms);
    FMOD_SOUND* second = s.open(toneWav(1000, 5));
    FMOD_CHANNEL* ch2 = s.play(second);
    std::this_thread::sleep_for(300ms);
    // The replaced sound may be released later while the new one plays on.
    EXPECT_EQ(FMOD_Sound_Release(first), KESTREL_AUDIO_OK);
    std::this_thread::sleep_for(300ms);
    // The position restarted with the new sound.
    EXPECT_NEAR(s.position(ch2), 600, 80);
    EXPECT_FALSE(s.playing(ch1));
    EXPECT_TRUE(s.playing(ch2));

    Wav out = s.output();
    double switchAt = firstTime(out, 1000, 0.3);
    ASSERT_GT(switchAt, 0.3);
    // 10 ms windows leak a little of one tone into the other: thresholds stay high.
    EXPECT_LE(lastTime(out, 440, 0.3), switchAt + 0.015);
    EXPECT_LT(toneLevel(out, 440, switchAt + 0.02, out.seconds() - switchAt - 0.05), 0.005);
    EXPECT_GT(toneLevel(out, 1000, switchAt + 0.02, out.seconds() - switchAt - 0.05), 0.85);
}

TEST(Playback, VolumeIsLinear) {
    Session s;
    FMOD_CHANNEL* ch = s.play(s.open(toneWav(1000, 4, 0.8)));
    std::this_thread::sleep_for(500ms);
    double changedAt = s.outputSeconds();
    ASSERT_EQ(FMOD_Channel_SetVolume(ch, 0.5f), KESTREL_AUDIO_OK);
    float volume = 0;
    EXPECT_EQ(FMOD_Channel_GetVolume(ch, &volume), KESTREL_AUDIO_OK);
    EXPECT_FLOAT_EQ(volume, 0.5f);
    std::this_thread::sleep_for(500ms);
    Wav out = s.output();
    double before = toneLevel(out, 1000, changedAt - 0.3, 0.25);
    double after = toneLevel(out, 1000, changedAt + 0.1, 0.25);
    EXPECT_NEAR(before, 0.8, 0.02);
    EXPECT_NEAR(after / before, 0.5, 0.01);

    // Out-of-range volumes are held to 0..1; silence is silence.
    FMOD_Channel_SetVolume(ch, 3.0f);
    FMOD_Channel_GetVolume(ch, &volume);
    EXPECT_FLOAT_EQ(volume, 1.0f);
    FMOD_Channel_SetVolume(ch, 0.0f);
    changedAt = s.outputSeconds();
    std::this_thread::sleep_for(300ms);
    out = s.output();
    EXPECT_LT(peak(out, changedAt + 0.05, 0.2), 1e-4);

    // A new sound starts at the volume the channel had: a muted player gets
    // no full-volume buffer before it sets the new channel's volume.
    changedAt = s.outputSeconds();
    FMOD_CHANNEL* next = s.play(s.open(toneWav(440, 1)));
    FMOD_Channel_GetVolume(next, &volume);
    EXPECT_FLOAT_EQ(volume, 0.0f);
    std::this_thread::sleep_for(200ms);
    EXPECT_LT(peak(s.output(), changedAt, 0.15), 1e-4);
}

TEST(Playback, PauseHoldsThePositionAndStillCountsAsPlaying) {
    Session s;
    FMOD_CHANNEL* ch = s.play(s.open(toneWav(1000, 5)));
    std::this_thread::sleep_for(1000ms);
    unsigned atOneSecond = s.position(ch);
    EXPECT_NEAR(atOneSecond, 1000, 60);

    ASSERT_EQ(FMOD_Channel_SetPaused(ch, 1), KESTREL_AUDIO_OK);
    std::this_thread::sleep_for(50ms);
    unsigned paused = s.position(ch);
    double pausedAt = s.outputSeconds();
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(s.position(ch), paused);
    EXPECT_TRUE(s.playing(ch));
    EXPECT_LT(peak(s.output(), pausedAt + 0.05, 0.4), 1e-4);

    ASSERT_EQ(FMOD_Channel_SetPaused(ch, 0), KESTREL_AUDIO_OK);
    std::this_thread::sleep_for(400ms);
    EXPECT_NEAR(s.position(ch), paused + 400, 60);
    Wav out = s.output();
    EXPECT_GT(toneLevel(out, 1000, out.seconds() - 0.2, 0.1), 0.8);
}

TEST(Playback, SeekLandsWithinFiftyMilliseconds) {
    // 9 s of 440 Hz, 1 s of 1 kHz, 2 s of 2.5 kHz: after a seek to 9.5 s the
    // output holds half a second of 1 kHz.
    std::string wav = (fixtureDir() / "seek.wav").string();
    sh("sox " + toneWav(440, 9) + " " + toneWav(1000, 1) + " " + toneWav(2500, 2) + " " + wav);
    std::string mp3 = (fixtureDir() / "seek.mp3").string();
    sh("lame --quiet --cbr -b 128 " + wav + " " + mp3);

    for (const std::string& file : {wav, mp3}) {
        SCOPED_TRACE(file);
        Session s;
        FMOD_CHANNEL* ch = s.play(s.open(file));
        std::this_thread::sleep_for(300ms);
        ASSERT_EQ(FMOD_Channel_SetPosition(ch, 9500, KESTREL_AUDIO_TIMEUNIT_MS), KESTREL_AUDIO_OK);
        unsigned right = s.position(ch);
        EXPECT_NEAR(right, 9500, 50);
        std::this_thread::sleep_for(300ms);
        EXPECT_NEAR(s.position(ch), 9800, 60);
        std::this_thread::sleep_for(700ms);
        Wav out = s.output();
        double start = firstTime(out, 1000, 0.2);
        double end = lastTime(out, 1000, 0.2);
        ASSERT_GT(start, 0.2);
        EXPECT_NEAR(end - start, 0.5, 0.05);
    }
}

TEST(Playback, EndOfSoundStopsTheChannel) {
    Session s;
    FMOD_CHANNEL* ch = s.play(s.open(toneWav(1000, 0.5)));
    EXPECT_TRUE(s.playing(ch));
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(waitUntil([&] { return !s.playing(ch); }, 2000ms));
    double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_NEAR(took, 0.5, 0.1);
    EXPECT_NEAR(s.position(ch), 500, 30);
    // The spectrum goes flat once nothing is mixed any more.
    std::this_thread::sleep_for(100ms);
    auto bins = spectrumOf(ch);
    EXPECT_LT(*std::max_element(bins.begin(), bins.end()), 1e-4);
}

TEST(Playback, EveryFileFormatPlaysItsTone) {
    std::string base = toneWav(1000, 2, 0.5);
    std::string dir = fixtureDir().string();
    sh("sox " + base + " " + dir + "/f.ogg");
    sh("sox " + base + " " + dir + "/f.flac");
    sh("ffmpeg -nostdin -y -i " + base + " -c:a aac -b:a 128k " + dir + "/f.m4a");
    sh("sox " + base + " -c 1 " + dir + "/mono.wav");
    sh("sox " + base + " -r 22050 " + dir + "/low.wav");
    // The rest of what the player lists in a folder.
    const std::pair<const char*, const char*> more[] = {
        {"opus", "libopus"}, {"oga", "libvorbis"}, {"aac", "aac"}, {"wma", "wmav2"}, {"aiff", "pcm_s16be"}};
    for (const auto& [ext, codec] : more)
        sh("ffmpeg -nostdin -loglevel error -y -i " + base + " -c:a " + codec + " " + dir + "/f." + ext);
    std::vector<std::string> files = {toneMp3(1000, 2, "cbr"), toneMp3(1000, 2, "vbr"), dir + "/f.ogg",
                                      dir + "/f.flac",         dir + "/f.m4a",          dir + "/mono.wav",
                                      dir + "/low.wav"};
    for (const auto& [ext, codec] : more) files.push_back(dir + "/f." + ext);
    Session s;
    for (const auto& file : files) {
        SCOPED_TRACE(file);
        FMOD_SOUND* sound = s.open(file);
        FMOD_CHANNEL* ch = s.play(sound);
        std::this_thread::sleep_for(250ms);
        auto bins = spectrumOf(ch);
        EXPECT_EQ(loudestBin(bins), 23);
        // Mono plays at full level on both sides.
        EXPECT_NEAR(bins[23], 0.5 * 0.92, 0.06);
        FMOD_Sound_Release(sound);
    }
}

TEST(Playback, MidiFilePlaysWithTheSoundFontAndEnds) {
    Session s;
    FMOD_CHANNEL* ch = s.play(s.open(midiFile(1.0)));
    std::this_thread::sleep_for(400ms);
    auto bins = spectrumOf(ch);
    // A4 = 440 Hz lies in bin 10 (43 Hz per bin).
    int loudest = loudestBin(bins);
    EXPECT_GE(loudest, 9);
    EXPECT_LE(loudest, 11);
    EXPECT_GT(bins[loudest], 0.005f);
    EXPECT_TRUE(waitUntil([&] { return !s.playing(ch); }, 3000ms));
}
