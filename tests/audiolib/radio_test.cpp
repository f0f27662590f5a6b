// Stations that misbehave as real ones do, served by a small Python server:
// a server that goes away and comes back, now-playing titles in both
// encodings, and hostile answers.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "audio_fixture.h"

extern char** environ;

using namespace audiotest;
using namespace std::chrono_literals;

namespace {

// tests/support/radio_server.py on a free port, killed when the object goes.
class RadioServer {
  public:
    explicit RadioServer(const std::string& mp3) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        std::string script = std::string(KESTREL_SOURCE_DIR) + "/tests/support/radio_server.py";
        const char* argv[] = {"python3", script.c_str(), mp3.c_str(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawnp(&pid_, "python3", &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        std::string line;
        char c = 0;
        while (line.size() < 16 && ::read(out[0], &c, 1) == 1 && c != '\n') line += c;
        ::close(out[0]);
        port_ = std::atoi(line.c_str());
    }
    ~RadioServer() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    bool up() const { return port_ > 0; }

  private:
    pid_t pid_ = -1;
    int port_ = 0;
};

std::string title(FMOD_CHANNEL* ch) {
    char text[1024];
    if (KESTREL_Channel_GetTitle(ch, text, sizeof text) != KESTREL_AUDIO_OK) return "?";
    return text;
}

}  // namespace

TEST(Radio, StationWhoseServerGoesAwayForThreeSecondsPlaysOn) {
    RadioServer server(toneMp3(1000, 4));
    ASSERT_TRUE(server.up());
    Session s;
    FMOD_CHANNEL* ch = s.play(s.open(server.url("/drop")));
    ASSERT_TRUE(waitUntil([&] { return s.position(ch) > 0; }, 2000ms));
    // The server cuts every connection 2 s after this one began and refuses
    // new ones for 3 s; the channel plays silence meanwhile, never stopping.
    unsigned before = 0;
    ASSERT_TRUE(waitUntil(
        [&] {
            before = s.position(ch);
            std::this_thread::sleep_for(100ms);
            return s.position(ch) == before;
        },
        6000ms));
    auto stalled = std::chrono::steady_clock::now();
    EXPECT_TRUE(waitUntil([&] { return !s.playing(ch) || s.position(ch) > before + 1000; }, 8000ms));
    EXPECT_TRUE(s.playing(ch));
    EXPECT_LT(std::chrono::steady_clock::now() - stalled, 5000ms);
    // The same station: its tone again after the silence.
    Wav out = s.output();
    EXPECT_GT(toneLevel(out, 1000, out.seconds() - 0.5, 0.4), 0.4);
}

TEST(Radio, FileCutShortResumesWhereItStopped) {
    RadioServer server(toneMp3(1000, 6));
    ASSERT_TRUE(server.up());
    Session s;
    FMOD_CHANNEL* ch = s.play(s.open(server.url("/file-cut")));
    // The first connection ends a third of the way in; the next one asks
    // for the rest by a byte range: six seconds of tone in all, none twice.
    ASSERT_TRUE(waitUntil([&] { return s.position(ch) > 0; }, 2000ms));
    ASSERT_TRUE(waitUntil([&] { return !s.playing(ch); }, 12000ms));
    Wav out = s.output();
    double toneSeconds = 0;
    for (double t = 0; t + 0.01 <= out.seconds(); t += 0.01)
        if (toneLevel(out, 1000, t, 0.01) > 0.2) toneSeconds += 0.01;
    EXPECT_NEAR(toneSeconds, 6.0, 0.3);
}

TEST(Radio, NowPlayingTitlesInWindows1251AndUtf8AppearAndChange) {
    RadioServer server(toneMp3(1000, 4));
    ASSERT_TRUE(server.up());
    Session s;
    for (const char* enc : {"cp1251", "utf8", "entities"}) {
        SCOPED_TRACE(enc);
        FMOD_SOUND* sound = s.open(server.url(std::string("/live?enc=") + enc));
        FMOD_CHANNEL* ch = s.play(sound);
        std::string first;
        ASSERT_TRUE(waitUntil(
            [&] {
                first = title(ch);
                return !first.empty();
            },
            3000ms));
        EXPECT_TRUE(first == "Кино — Группа крови" || first == "ДДТ — Осень") << first;
        EXPECT_TRUE(waitUntil([&] { return title(ch) != first; }, 3000ms));
        EXPECT_TRUE(title(ch) == "Кино — Группа крови" || title(ch) == "ДДТ — Осень") << title(ch);
        // A small buffer gets whole characters only.
        char small[6];
        EXPECT_EQ(KESTREL_Channel_GetTitle(ch, small, sizeof small), KESTREL_AUDIO_OK);
        EXPECT_EQ(std::string(small).size(), 4u);  // two Cyrillic letters
        FMOD_Sound_Release(sound);
    }
}

TEST(Radio, HostileStationsPlayOrStopWithinTheirBounds) {
    RadioServer server(toneMp3(1000, 4));
    ASSERT_TRUE(server.up());
    Session s;
    for (const char* path : {"/big-title", "/metaint?n=0", "/metaint?n=10485760"}) {
        SCOPED_TRACE(path);
        FMOD_SOUND* sound = s.open(server.url(path));
        FMOD_CHANNEL* ch = s.play(sound);
        EXPECT_TRUE(waitUntil([&] { return s.position(ch) > 500; }, 3000ms));
        std::string t = title(ch);
        EXPECT_LE(t.size(), 512u);
        for (char c : t) EXPECT_GE(static_cast<unsigned char>(c), 0x20);
        FMOD_Sound_Release(sound);
    }
    for (const char* path : {"/html", "/loop", "/endless-header"}) {
        SCOPED_TRACE(path);
        auto start = std::chrono::steady_clock::now();
        FMOD_SOUND* sound = s.open(server.url(path));
        FMOD_CHANNEL* ch = s.play(sound);
        EXPECT_TRUE(waitUntil([&] { return !s.playing(ch); }, 11000ms));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 10500ms);
        EXPECT_EQ(s.position(ch), 0u);
        FMOD_Sound_Release(sound);
    }
}
