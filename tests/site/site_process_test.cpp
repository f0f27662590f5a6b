// The kestrel-site executable: its command line, signals and shutdown.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/text/cp1251.h"
#include "site_fixture.h"
#include "support/wait.h"

using namespace site_test;
using testsupport::waitUntil;

namespace {

std::string binary() {
    return binaryDir() + "/kestrel-site";
}

// How to start it: under another command (which ends by running the rest
// of its arguments), with an index of the test's, its log in a file.
struct Launch {
    std::vector<std::string> under;
    std::string db;   // empty: in a folder of its own
    std::string log;  // empty: the test's stderr
};

// The executable started on a free loopback port, its index in a folder of
// its own; its first stdout line is the base address.
class SiteProcess {
  public:
    explicit SiteProcess(std::vector<std::string> args, const Launch& launch = {}) {
        args.insert(args.begin(), {"--db", launch.db.empty() ? cache_ / "index.sqlite" : launch.db});
        std::string bin = binary();
        args.insert(args.begin(), bin);
        args.insert(args.begin(), launch.under.begin(), launch.under.end());
        int out[2];
        if (pipe(out) != 0) std::abort();
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            close(out[0]);
            close(out[1]);
            if (!launch.log.empty()) {
                int log = open(launch.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                if (log >= 0) dup2(log, 2);
            }
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') url_ += c;
        close(out[0]);
    }
    ~SiteProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& url() const { return url_; }
    pid_t pid() const { return pid_; }
    // Sends `sig` and returns the exit status, or -1 if it has not ended within 10 s.
    int stopWith(int sig) {
        kill(pid_, sig);
        for (int i = 0; i < 1000; ++i) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }

  private:
    TempDir cache_;
    pid_t pid_ = -1;
    std::string url_;
};

httplib::Client clientFor(const std::string& url) {
    httplib::Client c(url.substr(0, url.size() - 1));
    c.set_read_timeout(10);
    return c;
}

TEST(SiteProcess, PrintsItsAddressReindexesOnHangupAndStopsCleanly) {
    TempDir music;
    makeTagged(music / "a.mp3", "Alpha", "One");
    SiteProcess p({"--port", "0", music.path()});
    ASSERT_EQ(p.url().rfind("http://127.0.0.1:", 0), 0u) << "no address from " << binary();
    auto c = clientFor(p.url());
    EXPECT_EQ(scrape(c.Get("/search.php?q=alpha")->body).size(), 1u);

    // A second site on the same port does not share it: it ends at once
    // and says which port is taken.
    TempDir second;
    const std::string port = p.url().substr(17, p.url().size() - 18);
    EXPECT_EQ(run("timeout 20 '" + binary() + "' --port " + port + " --db '" + (second / "index.sqlite") +
                  "' '" + music.path() + "' >/dev/null 2>'" + (second / "err") + "'"),
              1);
    std::ifstream err(second / "err");
    const std::string said{std::istreambuf_iterator<char>(err), {}};
    EXPECT_NE(said.find("port " + port + ": the port is taken"), std::string::npos) << said;

    makeTagged(music / "b.mp3", "Alpha", "Two");
    for (int i = 0; i < 10; ++i) kill(p.pid(), SIGHUP);  // a burst of hang-ups: scans, not a pile-up
    bool seen = false;
    for (int i = 0; i < 500 && !seen; ++i) {
        seen = scrape(c.Get("/search.php?q=alpha")->body).size() == 2;
        if (!seen) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(seen);
    EXPECT_EQ(p.stopWith(SIGTERM), 0);
}

TEST(SiteProcess, StopsWhileATransferIsUnderWay) {
    TempDir music;
    // 200 MB of silence behind a real WAV header (16-bit stereo, 44.1 kHz).
    const uint32_t data = 200000000;
    auto le = [](uint32_t v, int n) {
        std::string b;
        for (int i = 0; i < n; ++i) b += char(v >> (8 * i) & 0xFF);
        return b;
    };
    std::ofstream(music / "big.wav", std::ios::binary)
        << "RIFF" << le(36 + data, 4) << "WAVEfmt " << le(16, 4) << le(1, 2) << le(2, 2) << le(44100, 4)
        << le(44100 * 4, 4) << le(4, 2) << le(16, 2) << "data" << le(data, 4);
    ASSERT_EQ(truncate((music / "big.wav").c_str(), 44 + data), 0);
    SiteProcess p({"--port", "0", music.path()});
    ASSERT_FALSE(p.url().empty()) << "no address from " << binary();
    auto hits = scrape(clientFor(p.url()).Get("/search.php?q=big")->body);
    ASSERT_EQ(hits.size(), 1u);
    // A client that reads nothing: the server blocks writing to it.
    httplib::Client slow = clientFor(p.url());
    std::thread reader([&] {
        slow.Get(hits[0].link.substr(p.url().size() - 1), [](const char*, size_t) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            return true;
        });
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(p.stopWith(SIGTERM), 0);
    slow.stop();
    reader.join();
}

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// An index on a read-only file system is served as it stands; one on a full
// disk says so and leaves no log of the failed write. Each runs the site in a
// mount of its own, in a user namespace.
TEST(SiteProcess, AReadOnlyIndexIsServedAndAFullDiskIsNamed) {
    TempDir music, cache, logs, full;
    if (run("unshare -rm sh -c 'mount -t tmpfs -o size=96k tmpfs " + full.path() + " && mount --bind " +
            cache.path() + " " + cache.path() + " && mount -o remount,bind,ro " + cache.path() + " " +
            cache.path() + "' 2>/dev/null") != 0)
        GTEST_SKIP() << "no user namespace to mount a file system in";
    makeTagged(music / "a.mp3", "Alpha", "One");
    const std::string db = cache / "index.sqlite";
    {
        SiteProcess first({"--port", "0", music.path()}, {{}, db, logs / "first.log"});
        ASSERT_FALSE(first.url().empty()) << contents(logs / "first.log");
        EXPECT_EQ(first.stopWith(SIGTERM), 0);
    }
    const std::string stored = contents(db);
    makeTagged(music / "b.mp3", "Alpha", "Two");
    auto hits = [](SiteProcess& p, const char* q) {
        auto res = clientFor(p.url()).Get(std::string("/search.php?q=") + q);
        return res ? scrape(res->body).size() : 0;
    };
    {
        SiteProcess readOnly(
            {"--port", "0", music.path()},
            {{"unshare", "-rm", "sh", "-c",
              "mount --bind \"$1\" \"$1\" && mount -o remount,bind,ro \"$1\" && shift && exec \"$@\"", "sh",
              cache.path()},
             db,
             logs / "ro.log"});
        ASSERT_FALSE(readOnly.url().empty()) << contents(logs / "ro.log");
        EXPECT_TRUE(waitUntil([&] { return hits(readOnly, "alpha") == 2; }, std::chrono::seconds(2)));
        EXPECT_EQ(readOnly.stopWith(SIGTERM), 0);
    }
    std::string log = contents(logs / "ro.log");
    EXPECT_NE(log.find("loaded 1 files from the index"), std::string::npos) << log;
    EXPECT_NE(log.find("is read-only: it is served"), std::string::npos) << log;
    EXPECT_TRUE(contents(db) == stored);  // neither rebuilt nor removed

    // Tags long enough that their rows outgrow the room left.
    for (int i = 0; i < 40; ++i)
        makeTagged(music / ("long/" + std::to_string(i) + ".mp3"), std::string(900, 'a') + std::to_string(i),
                   std::string(900, 't'));
    SiteProcess onFull(
        {"--port", "0", music.path()},
        {{"unshare", "-rm", "sh", "-c", "mount -t tmpfs -o size=96k tmpfs \"$1\" && shift && exec \"$@\"",
          "sh", full.path()},
         full / "index.sqlite",
         logs / "full.log"});
    ASSERT_FALSE(onFull.url().empty()) << contents(logs / "full.log");
    EXPECT_TRUE(
        waitUntil([&] { return contents(logs / "full.log").find("(disk full)") != std::string::npos; },
                  std::chrono::seconds(2)))
        << contents(logs / "full.log");
    EXPECT_EQ(hits(onFull, "alpha"), 2u);
    // Seen through the site's own view of its mounts.
    struct stat st;
    std::string wal = "/proc/" + std::to_string(onFull.pid()) + "/root" + full.path() + "/index.sqlite-wal";
    if (stat(wal.c_str(), &st) == 0)
        EXPECT_EQ(st.st_size, 0);
    else
        EXPECT_EQ(errno, ENOENT);
}

TEST(SiteProcess, RejectsABadCommandLine) {
    EXPECT_EQ(run("'" + binary() + "' --port 70000 /tmp 2>/dev/null"), 2);
    EXPECT_EQ(run("'" + binary() + "' --frobnicate 2>/dev/null"), 2);
    EXPECT_EQ(run("'" + binary() + "' --help >/dev/null"), 0);
}

}  // namespace

namespace {

// scripts/start-site over an empty music folder: demo tracks, address, pid file.
TEST(StartSite, ServesDemoTracksWhenTheMusicFolderIsEmpty) {
    std::string source = sourceDir();
    if (source.empty()) GTEST_SKIP() << "the source folder is not known";
    TempDir dir;
    std::string cmd = "XDG_CACHE_HOME='" + (dir / "cache") + "' KESTREL_SITE_BIN='" + binary() +
                      "' KESTREL_MUSIC_DIR='" + (dir / "empty") + "' '" + source + "/scripts/start-site' '" +
                      (dir / "site.pid") + "' > '" + (dir / "url") + "' 2>/dev/null";
    ASSERT_EQ(run(cmd), 0);
    std::ifstream urlIn(dir / "url"), pidIn(dir / "site.pid");
    std::string url;
    pid_t pid = 0;
    std::getline(urlIn, url);
    pidIn >> pid;
    ASSERT_GT(pid, 0);
    ASSERT_EQ(url.rfind("http://127.0.0.1:", 0), 0u) << url;
    auto hits =
        scrape(clientFor(url).Get("/search.php?p=1&v=0&q=%E7%E2%E5%E7%E4%E0&x=32&y=15")->body);  // "звезда"
    kill(pid, SIGTERM);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].title, "Кино для тестов - Звезда по имени Синус");
    bool gone = false;
    for (int i = 0; i < 500 && !gone; ++i) {
        gone = kill(pid, 0) != 0;
        if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(gone);
}

}  // namespace
