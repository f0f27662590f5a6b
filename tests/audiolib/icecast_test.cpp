// A real radio server: Icecast2 on a loopback port, fed an MP3 by ezstream,
// played through its mount point.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "audio_fixture.h"

extern char** environ;

using namespace audiotest;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

int freePort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}

// Whether the server on `port` is Icecast: another process may take a free
// port before icecast2 binds it, and then answers in its place.
bool icecastAnswers(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    timeval limit{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        const std::string request = "GET /status-json.xsl HTTP/1.0\r\n\r\n";
        if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
            char buf[4096];
            for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;)
                answer.append(buf, static_cast<size_t>(n));
        }
    }
    ::close(fd);
    return answer.find("icestats") != std::string::npos;
}

// A child process, terminated and reaped when the object goes.
class Child {
  public:
    // Its output goes to `log` (appended), or nowhere.
    explicit Child(std::vector<std::string> argv, const std::string& log = "/dev/null") {
        std::vector<char*> args;
        for (auto& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Child() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        for (int i = 0; i < 100; ++i) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) return;
            std::this_thread::sleep_for(20ms);
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    bool running() {
        if (pid_ > 0 && ::waitpid(pid_, nullptr, WNOHANG) == pid_) pid_ = -1;  // reaped
        return pid_ > 0;
    }

  private:
    pid_t pid_ = -1;
};

void writeText(const fs::path& path, const std::string& text, fs::perms perms) {
    std::ofstream(path) << text;
    fs::permissions(path, perms);
}

}  // namespace

TEST(Icecast, PlaysTheMountFedByEzstream) {
    fs::path dir = fixtureDir() / "icecast";
    fs::create_directories(dir);
    // Icecast drops root for "nobody", who must reach its logs.
    fs::permissions(fixtureDir(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(dir, fs::perms::all);
    const std::string mp3 = toneMp3(1000, 4);
    auto writeConfigs = [&](int port) {
        std::string owner =
            ::geteuid() == 0
                ? "<security><chroot>0</chroot><changeowner><user>nobody</user><group>nogroup</group>"
                  "</changeowner></security>"
                : "";
        writeText(
            dir / "icecast.xml",
            "<icecast><limits><clients>10</clients><sources>2</sources><burst-size>65536</burst-size></"
            "limits>"
            "<authentication><source-password>kestrel</source-password><admin-user>admin</admin-user>"
            "<admin-password>kestrel</admin-password></authentication><hostname>127.0.0.1</hostname>"
            "<listen-socket><port>" +
                std::to_string(port) +
                "</port><bind-address>127.0.0.1</bind-address></listen-socket><fileserve>0</fileserve>"
                "<paths><basedir>" +
                dir.string() + "</basedir><logdir>" + dir.string() +
                "</logdir><webroot>/usr/share/icecast2/web</webroot><adminroot>/usr/share/icecast2/admin"
                "</adminroot></paths><logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog>"
                "<loglevel>2</loglevel></logging>" +
                owner + "</icecast>",
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
        writeText(dir / "ezstream.xml",
                  "<ezstream><servers><server><protocol>HTTP</protocol><hostname>127.0.0.1</hostname><port>" +
                      std::to_string(port) +
                      "</port><password>kestrel</password></server></servers><streams><stream><mountpoint>/"
                      "radio.mp3"
                      "</mountpoint><format>MP3</format></stream></streams><intakes><intake><type>file</type>"
                      "<filename>" +
                      mp3 + "</filename></intake></intakes></ezstream>",
                  fs::perms::owner_read | fs::perms::owner_write);
    };
    // The port is free when picked, but another process may bind it before
    // icecast2 does; then another port is tried.
    int port = 0;
    std::optional<Child> icecast;
    for (int attempt = 0; attempt < 3 && !icecast; ++attempt) {
        port = freePort();
        writeConfigs(port);
        icecast.emplace(std::vector<std::string>{"icecast2", "-c", (dir / "icecast.xml").string()});
        if (!waitUntil([&] { return !icecast->running() || icecastAnswers(port); }, 5000ms) ||
            !icecast->running())
            icecast.reset();
    }
    if (!icecast) {
        std::ifstream log(dir / "error.log");
        std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
        FAIL() << "icecast2 did not start on port " << port << ": " << text;
    }
    // Under a heavy load ezstream was once seen to end before the mount
    // played; it is started again, and what it said is shown on a failure.
    const std::vector<std::string> feed = {"ezstream", "-c", (dir / "ezstream.xml").string()};
    const std::string feedLog = (dir / "ezstream.log").string();
    std::optional<Child> ezstream(std::in_place, feed, feedLog);

    Session s;
    std::string url = "http://127.0.0.1:" + std::to_string(port) + "/radio.mp3";
    FMOD_SOUND* sound = nullptr;
    FMOD_CHANNEL* ch = nullptr;
    // The mount exists once ezstream has connected; until then the channel
    // stops at once (404). A live stream starts within a few frames.
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(waitUntil(
        [&] {
            if (!ezstream->running()) ezstream.emplace(feed, feedLog);
            if (sound) FMOD_Sound_Release(sound);
            start = std::chrono::steady_clock::now();
            sound = s.open(url);
            ch = s.play(sound);
            return waitUntil([&] { return !s.playing(ch) || s.position(ch) > 0; }, 2000ms) && s.playing(ch);
        },
        8000ms))
        << "ezstream running: " << ezstream->running() << "; it said: " << [&] {
               std::ifstream log(feedLog);
               return std::string((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
           }();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1000ms);
    // Longer than the file: ezstream loops it, the stream goes on.
    std::this_thread::sleep_for(1500ms);
    EXPECT_TRUE(s.playing(ch));
    float bins[512] = {};
    ASSERT_EQ(FMOD_Channel_GetSpectrum(ch, bins, 512, 0, 0), KESTREL_AUDIO_OK);
    EXPECT_EQ(std::max_element(bins, bins + 512) - bins, 23);
    EXPECT_EQ(FMOD_Channel_SetPosition(ch, 0, KESTREL_AUDIO_TIMEUNIT_MS), KESTREL_AUDIO_ERR_UNSUPPORTED);
    Wav out = s.output();
    EXPECT_GT(toneLevel(out, 1000, out.seconds() - 0.5, 0.4), 0.4);
    EXPECT_EQ(FMOD_Sound_Release(sound), KESTREL_AUDIO_OK);
}
