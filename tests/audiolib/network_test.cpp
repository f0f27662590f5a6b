// Addresses over HTTP: files, endless radio streams with ICY metadata, and
// streams that trickle, break off or go quiet.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "audio_fixture.h"
#include "http_fixture.h"

using namespace audiotest;
using namespace std::chrono_literals;

namespace {

int loudestBin(FMOD_CHANNEL* ch) {
    float bins[512] = {};
    FMOD_Channel_GetSpectrum(ch, bins, 512, 0, 0);
    return static_cast<int>(std::max_element(bins, bins + 512) - bins);
}

// An address opens while the caller goes on: waits for its first sound.
bool soundStarts(const Session& s, FMOD_CHANNEL* ch) {
    return waitUntil([&] { return s.position(ch) > 0; }, 3000ms);
}

std::string title(FMOD_CHANNEL* ch) {
    char text[600];
    EXPECT_EQ(KESTREL_Channel_GetTitle(ch, text, sizeof text), KESTREL_AUDIO_OK);
    return text;
}

}  // namespace

TEST(Network, FileOverHttpPlaysAndSeeks) {
    HttpServer server(toneMp3(1000, 6));
    Session s;
    FMOD_SOUND* sound = s.open(server.url("/tone.mp3"));
    FMOD_CHANNEL* ch = s.play(sound);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(loudestBin(ch), 23);
    EXPECT_EQ(FMOD_Channel_SetPosition(ch, 4000, KESTREL_AUDIO_TIMEUNIT_MS), KESTREL_AUDIO_OK);
    std::this_thread::sleep_for(300ms);
    EXPECT_NEAR(s.position(ch), 4300, 80);
    EXPECT_TRUE(waitUntil([&] { return !s.playing(ch); }, 3000ms));
    // An MP4 whose index follows its audio: its demuxer is done before the
    // last byte, which is the end of the sound, not a dropped connection.
    sh("ffmpeg -nostdin -v quiet -y -i " + toneWav(1000, 2) + " -c:a aac -movflags -faststart " +
       (fixtureDir() / "late-index.m4a").string());
    FMOD_SOUND* late = s.open(server.url("/beside/late-index.m4a"));
    ch = s.play(late);
    ASSERT_TRUE(soundStarts(s, ch));
    EXPECT_TRUE(waitUntil([&] { return !s.playing(ch); }, 3000ms));
    EXPECT_NEAR(s.position(ch), 2000, 100);
}

TEST(Network, FileOverHttpsPlays) {
    std::string cert = (fixtureDir() / "cert.pem").string(), key = (fixtureDir() / "key.pem").string();
    sh("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 -keyout " + key + " -out " +
       cert);
    HttpServer server(toneMp3(1000, 3), cert, key);
    Session s;
    FMOD_CHANNEL* ch = s.play(s.open(server.url("/tone.mp3")));
    ASSERT_EQ(server.url("").substr(0, 8), "https://");
    ASSERT_TRUE(soundStarts(s, ch));
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(s.playing(ch));
    EXPECT_EQ(loudestBin(ch), 23);
}

TEST(Network, EndlessRadioStreamWithIcyMetadata) {
    HttpServer server(toneMp3(1000, 2));
    Session s;
    FMOD_CHANNEL* ch = s.play(s.open(server.url("/radio")));
    ASSERT_TRUE(soundStarts(s, ch));
    EXPECT_TRUE(server.icyRequested());
    unsigned started = s.position(ch);
    std::this_thread::sleep_for(2500ms);
    EXPECT_NEAR(s.position(ch) - started, 2500, 100);
    EXPECT_EQ(title(ch), "Test radio - tone");
    // The metadata blocks were taken out of the audio: a clean tone, which
    // has played on past the length of one pass of the file.
    EXPECT_TRUE(s.playing(ch));
    EXPECT_EQ(loudestBin(ch), 23);
    Wav out = s.output();
    EXPECT_GT(toneLevel(out, 1000, out.seconds() - 0.5, 0.4), 0.4);
    // An endless stream cannot seek; the call changes nothing.
    unsigned before = s.position(ch);
    EXPECT_EQ(FMOD_Channel_SetPosition(ch, 0, KESTREL_AUDIO_TIMEUNIT_MS), KESTREL_AUDIO_ERR_UNSUPPORTED);
    EXPECT_GE(s.position(ch), before);
}

TEST(Network, TrickleSlowerThanRealTimeKeepsPlaying) {
    HttpServer server(toneMp3(1000, 10));
    Session s;
    FMOD_CHANNEL* ch = s.play(s.open(server.url("/trickle.mp3")));
    ASSERT_TRUE(soundStarts(s, ch));
    for (int i = 0; i < 6; ++i) {
        std::this_thread::sleep_for(500ms);
        EXPECT_TRUE(s.playing(ch)) << i;
    }
    // Half the data rate gives about half the playing time.
    EXPECT_NEAR(s.position(ch), 1500, 500);
}

TEST(Network, ConnectionCutForGoodStopsOnlyAfterTheReconnectionTime) {
    HttpServer server(toneMp3(1000, 6));
    Session s;
    FMOD_CHANNEL* ch = s.play(s.open(server.url("/cut.mp3")));
    // A third of six seconds comes at once, then every connection (each
    // asking for the rest by a byte range) breaks off: the channel plays
    // silence while it tries for 20 s from the cut, then stops.
    ASSERT_TRUE(soundStarts(s, ch));
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(waitUntil([&] { return !s.playing(ch); }, 25000ms));
    double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(took, 19.5);
    EXPECT_LT(took, 21.5);
    EXPECT_NEAR(s.position(ch), 2000, 150);
}

TEST(Network, StreamThatGoesQuietIsReopenedAfterTheStallBound) {
    HttpServer server(toneMp3(1000, 6));
    Session s;
    FMOD_CHANNEL* ch = s.play(s.open(server.url("/stall.mp3")));
    ASSERT_TRUE(soundStarts(s, ch));
    // Half a second of sound, then silence on an open connection: after 5 s
    // without data it is reopened and its half second comes again.
    ASSERT_TRUE(waitUntil([&] { return s.position(ch) > 700; }, 8000ms));
    EXPECT_TRUE(s.playing(ch));
    Wav out = s.output();
    double first = firstTime(out, 1000, 0.2);
    EXPECT_GT(firstTime(out, 1000, 0.2, first + 1.0) - first, 5.0);
}
