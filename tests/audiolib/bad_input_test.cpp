// Inputs that cannot play: the open fails or the channel stops, within its
// bound, without a crash, a hung caller or a thread left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "audio_fixture.h"
#include "http_fixture.h"

using namespace audiotest;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

size_t threadCount() {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/task")) ++n;
    return n;
}

// A thread that has been told to end (the synthesiser's worker, a stream's
// reader) may still be on its way out when the last call returns: wait for
// the count to come back, with a bound.
void expectThreadsBackTo(size_t before) {
    EXPECT_TRUE(waitUntil([&] { return threadCount() <= before; }, 5000ms))
        << threadCount() << " threads, " << before << " before";
}

// Opens `name`; if it opens, plays it and expects it to stop within
// `stopWithin`. Returns the open's result. (An address opens at once: its
// failures show as a channel that stops.)
int openOrStop(Session& s, const std::string& name, std::chrono::milliseconds stopWithin) {
    FMOD_SOUND* sound = reinterpret_cast<FMOD_SOUND*>(1);
    int code = FMOD_System_CreateStream(s.system(), name.c_str(), 0x40, nullptr, &sound);
    if (code != KESTREL_AUDIO_OK) {
        EXPECT_EQ(sound, nullptr);
        return code;
    }
    FMOD_CHANNEL* ch = s.play(sound);
    EXPECT_TRUE(waitUntil([&] { return !s.playing(ch); }, stopWithin)) << name << " plays on";
    EXPECT_EQ(FMOD_Sound_Release(sound), KESTREL_AUDIO_OK);
    return code;
}

std::string writeBytes(const std::string& name, const std::string& bytes) {
    fs::path p = fixtureDir() / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
}

}  // namespace

TEST(BadInput, LocalFilesThatCannotPlay) {
    std::string mp3 = toneMp3(1000, 3);
    std::ifstream in(mp3, std::ios::binary);
    std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::mt19937 rng(42);
    std::string noise(65536, '\0');
    for (char& c : noise) c = static_cast<char>(rng());

    Session s;
    size_t threadsBefore = threadCount();
    EXPECT_EQ(openOrStop(s, writeBytes("empty.mp3", ""), 0ms), KESTREL_AUDIO_ERR_FORMAT);
    EXPECT_EQ(openOrStop(s, "/no/such/track.mp3", 0ms), KESTREL_AUDIO_ERR_FILE_NOT_FOUND);
    EXPECT_EQ(openOrStop(s, fixtureDir().string(), 0ms), KESTREL_AUDIO_ERR_FILE_NOT_FOUND);
    EXPECT_EQ(openOrStop(s, "/dev/zero", 0ms), KESTREL_AUDIO_ERR_FILE_NOT_FOUND);
    EXPECT_NE(openOrStop(s, writeBytes("tiny.mp3", whole.substr(0, 300)), 0ms), KESTREL_AUDIO_OK);
    // Cut after about 0.6 s of audio: plays what is there, then stops.
    EXPECT_EQ(openOrStop(s, writeBytes("cut.mp3", whole.substr(0, 10000)), 1500ms), KESTREL_AUDIO_OK);
    openOrStop(s, writeBytes("noise.mp3", noise), 3000ms);
    EXPECT_EQ(openOrStop(s, writeBytes("fake.mid", "MThd but no more"), 0ms), KESTREL_AUDIO_ERR_FORMAT);
    EXPECT_EQ(openOrStop(s, writeBytes("text.mid", "just some text here"), 0ms), KESTREL_AUDIO_ERR_FORMAT);
    // A MIDI header with a track that claims more than the file holds.
    EXPECT_EQ(
        openOrStop(s,
                   writeBytes("broken.mid", std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\x7f\0\0\0\x90", 23)),
                   2000ms),
        KESTREL_AUDIO_OK);
    // Hostile MIDI files are refused before the synthesiser sees them: a
    // valid header over random bytes, and 200,000 notes at one instant
    // (seconds of work and tens of MB for the synthesiser).
    const std::string header("MThd\0\0\0\6\0\0\0\1\0\x60MTrk", 18);
    auto chunk = [&](const std::string& body) {
        uint32_t n = static_cast<uint32_t>(body.size());
        return header +
               std::string{char(n >> 24), char(n >> 16 & 0xFF), char(n >> 8 & 0xFF), char(n & 0xFF)} + body;
    };
    EXPECT_EQ(openOrStop(s, writeBytes("random.mid", chunk(noise)), 0ms), KESTREL_AUDIO_ERR_FORMAT);
    std::string notes("\0\x90\x40\x40", 4);
    for (int i = 0; i < 100000; ++i) notes += std::string("\0\x40\0\0\x40\x40", 6);
    EXPECT_EQ(openOrStop(s, writeBytes("dense.mid", chunk(notes + std::string("\0\xFF\x2F\0", 4))), 0ms),
              KESTREL_AUDIO_ERR_UNSUPPORTED);
    // Paths with colons are paths, not addresses of other protocols.
    EXPECT_EQ(openOrStop(s, "concat:" + mp3 + "|" + mp3, 0ms), KESTREL_AUDIO_ERR_FILE_NOT_FOUND);
    EXPECT_EQ(openOrStop(s, "subfile,,start,0,end,0,,:" + mp3, 0ms), KESTREL_AUDIO_ERR_FILE_NOT_FOUND);
    expectThreadsBackTo(threadsBefore);
}

TEST(BadInput, AddressesOfOtherSchemesAreRefusedAtOnce) {
    Session s;
    for (const char* name : {"ftp://127.0.0.1/a.mp3", "file:///etc/passwd", "rtsp://127.0.0.1/a",
                             "gopher://x/y", "tcp://127.0.0.1:1", "HTTPX://127.0.0.1/a.mp3"}) {
        SCOPED_TRACE(name);
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(openOrStop(s, name, 0ms), KESTREL_AUDIO_ERR_UNSUPPORTED);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 50ms);
    }
}

TEST(BadInput, ServerFailuresStopTheChannelWithoutRetrying) {
    HttpServer server(toneMp3(1000, 3));
    Session s;
    // A redirect to the file plays; the server's workers all run after it
    // (and this stream's thread may still be ending).
    EXPECT_EQ(openOrStop(s, server.url("/moved.mp3"), 5000ms), KESTREL_AUDIO_OK);
    double silentFrom = s.outputSeconds();
    size_t threadsBefore = threadCount();
    // A 404, a page, a redirect to a local file, a refused connection: no
    // reconnection, the channel stops at once and never played.
    for (const std::string& url : {server.url("/missing.mp3"), server.url("/page.mp3"),
                                   server.url("/local.mp3"), std::string("http://127.0.0.1:1/none.mp3")}) {
        SCOPED_TRACE(url);
        FMOD_SOUND* sound = s.open(url);
        FMOD_CHANNEL* ch = s.play(sound);
        EXPECT_TRUE(waitUntil([&] { return !s.playing(ch); }, 1000ms));
        EXPECT_EQ(s.position(ch), 0u);
        EXPECT_EQ(FMOD_Sound_Release(sound), KESTREL_AUDIO_OK);
    }
    EXPECT_LT(peak(s.output(), silentFrom + 0.1, s.outputSeconds() - silentFrom - 0.1), 1e-4);
    expectThreadsBackTo(threadsBefore);
}

TEST(BadInput, ReleasedPendingOpenIsCancelledAndHoldsBackNoOtherSound) {
    HttpServer server(toneMp3(1000, 2));
    Session s;
    size_t threadsBefore = threadCount();
    // A sound on a server that never answers is released before it was
    // ever played, at each point of a live station's start.
    for (const char* order :
         {"dead released, live opened", "live opened, dead released", "live playing, dead released"}) {
        SCOPED_TRACE(order);
        FMOD_SOUND* dead = s.open(server.silentUrl());
        auto releaseDead = [&] { EXPECT_EQ(FMOD_Sound_Release(dead), KESTREL_AUDIO_OK); };
        auto start = std::chrono::steady_clock::now();
        if (order[0] == 'd') releaseDead();
        FMOD_SOUND* live = s.open(server.url("/radio"));
        if (order[5] == 'o') releaseDead();
        FMOD_CHANNEL* ch = s.play(live);
        if (order[5] == 'p') releaseDead();
        EXPECT_TRUE(waitUntil([&] { return s.position(ch) > 0; }, 2000ms));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
        EXPECT_EQ(FMOD_Sound_Release(live), KESTREL_AUDIO_OK);
        // The dead open was cancelled at once: its thread is gone well
        // before its own ten seconds.
        EXPECT_TRUE(waitUntil([&] { return threadCount() <= threadsBefore; }, 1000ms)) << threadCount();
    }
}

TEST(BadInput, ServerThatNeverAnswersStopsInTenSecondsWithoutHoldingTheCaller) {
    HttpServer server(toneMp3(1000, 3));
    Session s;
    auto start = std::chrono::steady_clock::now();
    FMOD_CHANNEL* ch = s.play(s.open(server.silentUrl()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 50ms);
    EXPECT_TRUE(s.playing(ch));  // opening
    ASSERT_TRUE(waitUntil([&] { return !s.playing(ch); }, 12000ms));
    double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(took, 9.5);
    EXPECT_LT(took, 11.0);
    // Released while it opens: dropped at once, its thread gone soon after.
    size_t threadsBefore = threadCount();
    FMOD_SOUND* sound = s.open(server.silentUrl());
    s.play(sound);
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(FMOD_Sound_Release(sound), KESTREL_AUDIO_OK);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20ms);
    expectThreadsBackTo(threadsBefore);
}
