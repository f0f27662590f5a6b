// The stored, watched index and the request limits, as a user of a real
// library meets them: restarts, files coming and going, hostile clients.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "site_fixture.h"
#include "support/wait.h"

using namespace site_test;
using testsupport::waitUntil;
namespace fs = std::filesystem;

namespace {

size_t hitsFor(ServedSite& s, const std::string& utf8Query) {
    auto res = s.client().Get("/search.php?q=" + percentEncode(utf8Query));
    return res && res->status == 200 ? scrape(res->body).size() : size_t(-1);
}

// A TCP connection to 127.0.0.1:port from the loopback address `from`.
int connectFrom(const char* from, int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, from, &a.sin_addr);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return -1;
    inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
    a.sin_port = htons(uint16_t(port));
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return -1;
    return fd;
}

// Sends `bytes` on a new connection from 127.0.0.1 and returns the status
// line of the answer (empty when none came within 5 s).
std::string statusOf(int port, const std::string& bytes) {
    int fd = connectFrom("127.0.0.1", port);
    if (fd < 0) return {};
    if (send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) < 0) {
    }
    timeval tv{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    char buf[256] = {};
    ssize_t n = recv(fd, buf, sizeof buf - 1, 0);
    close(fd);
    std::string answer(buf, size_t(std::max<ssize_t>(n, 0)));
    return answer.substr(0, answer.find("\r\n"));
}

// How many of `fds` the other end closes within `bound`: what they send is
// read and dropped until then.
size_t endedWithin(const std::vector<int>& fds, std::chrono::milliseconds bound) {
    std::vector<pollfd> open;
    for (int fd : fds) open.push_back({fd, POLLIN, 0});
    size_t ended = 0;
    auto end = std::chrono::steady_clock::now() + bound;
    while (!open.empty() && std::chrono::steady_clock::now() < end) {
        if (poll(open.data(), open.size(), 100) <= 0) continue;
        for (size_t i = open.size(); i-- > 0;) {
            if (!open[i].revents) continue;
            char buf[512];
            if (recv(open[i].fd, buf, sizeof buf, MSG_DONTWAIT) > 0) continue;
            ++ended;
            open.erase(open.begin() + long(i));
        }
    }
    return ended;
}

TEST(SiteIndex, ARestartServesTheStoredIndexAndReadsOnlyChangedFiles) {
    TempDir dir;
    makeTagged(dir / "m/Кино/Звезда.mp3", "Кино", "Звезда");
    makeTagged(dir / "m/Björk/Jóga.mp3", "Björk", "Jóga");
    makeTagged(dir / "m/Pink Floyd/The Wall/01 - Hey You.mp3", "", "");
    // A Windows-1251 file name without tags is named in its letters.
    makeTagged(dir / ("m/" + std::string("\xCA\xE8\xED\xEE - \xC3\xF0\xF3\xEF\xEF\xE0.mp3")), "", "");
    const std::string db = dir / "cache/index.sqlite";
    std::string link;
    {
        ServedSite first(dir / "m", db);
        EXPECT_EQ(first.site().lastReindex().read, 4u);
        auto res = first.client().Get("/search.php?q=" + percentEncode("bjork joga"));
        ASSERT_TRUE(res);
        EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=utf-8");
        auto hits = scrape(res->body);
        ASSERT_EQ(hits.size(), 1u);
        EXPECT_EQ(hits[0].title, "Björk - Jóga");
        link = hits[0].link.substr(first.base().size() - 1);
        EXPECT_EQ(hitsFor(first, "pink floyd hey"), 1u);
        auto kino = scrape(first.client().Get("/search.php?q=" + percentEncode("группа"))->body);
        ASSERT_EQ(kino.size(), 1u);
        EXPECT_EQ(kino[0].title, "Кино - Группа");
    }
    makeTagged(dir / "m/Кино/Звезда.mp3", "Кино", "Звезда по имени Солнце");
    {
        site::Site again(
            {dir / "m"}, [](const std::string&) {}, db);
        // Serves from the stored index before any file is read again.
        EXPECT_EQ(again.open(), 4u);
        EXPECT_EQ(again.catalog()->search({"jo"}, 9).size(), 1u);
        EXPECT_EQ(again.reindex(), 4u);
        EXPECT_EQ(again.lastReindex().read, 1u);  // only the changed file
        auto joga = again.catalog()->search({"joga"}, 9);
        ASSERT_EQ(joga.size(), 1u);
        EXPECT_EQ("/f/" + site::formatId(joga[0]->id) + "/" + "J%C3%B3ga.mp3", link);  // same address
        EXPECT_EQ(again.catalog()->search({"солнце"}, 9).size(), 1u);

        // A second site on the same index keeps its own in memory.
        site::Site second(
            {dir / "m"}, [](const std::string&) {}, db);
        EXPECT_EQ(second.open(), 0u);
        EXPECT_EQ(second.reindex(), 4u);
    }
    // A damaged index is rebuilt from the files, never a crash.
    std::ofstream(db, std::ios::binary | std::ios::trunc) << std::string(5000, '\x5a');
    site::Site rebuilt(
        {dir / "m"}, [](const std::string&) {}, db);
    EXPECT_EQ(rebuilt.open(), 0u);
    EXPECT_EQ(rebuilt.reindex(), 4u);
}

TEST(SiteIndex, FilesAddedRenamedAndRemovedAreSeenWithinTwoSeconds) {
    TempDir dir;
    makeTagged(dir / "m/a.mp3", "Alpha", "One");
    // Not audio when the first scan reads it; replaced later by a real track
    // of the same size and time.
    makeTagged(dir / "late.mp3", "Late", "Comer");
    std::ofstream(dir / "m/late.mp3", std::ios::binary) << std::string(fs::file_size(dir / "late.mp3"), 'x');
    ServedSite served(dir / "m", dir / "index.sqlite");
    makeTagged(dir / "m/between.mp3", "Between", "Scans");  // after the scan listed m, before any watch
    served.site().startWatching();
    const auto bound = std::chrono::milliseconds(2000);
    EXPECT_TRUE(waitUntil([&] { return hitsFor(served, "between") == 1; }, bound));
    fs::last_write_time(dir / "late.mp3", fs::last_write_time(dir / "m/late.mp3"));
    fs::rename(dir / "late.mp3", dir / "m/late.mp3");
    EXPECT_TRUE(waitUntil([&] { return hitsFor(served, "comer") == 1; }, bound));

    // A burst into new folders, partly while rescans run: every file is in
    // within the bound of the last write.
    const size_t before = served.site().catalog()->size();
    for (int f = 0; f < 20; ++f)
        for (int i = 0; i < 20; ++i)
            makeTagged(dir / ("m/burst/" + std::to_string(f) + "/" + std::to_string(i) + ".mp3"), "Burst",
                       "Track " + std::to_string(f * 20 + i));
    EXPECT_TRUE(waitUntil([&] { return served.site().catalog()->size() == before + 400; }, bound))
        << served.site().catalog()->size() - before;

    makeTagged(dir / "tmp.mp3", "Gamma", "Three");
    fs::create_directories(dir / "m/new/deeper");
    fs::rename(dir / "tmp.mp3", dir / "m/new/deeper/g.mp3");  // in a folder made since the last scan
    EXPECT_TRUE(waitUntil([&] { return hitsFor(served, "gamma") == 1; }, bound));
    makeTagged(dir / "m/new/deeper/h.mp3", "Gamma", "Four");  // a file of a new folder
    EXPECT_TRUE(waitUntil([&] { return hitsFor(served, "gamma") == 2; }, bound));
    fs::rename(dir / "m/a.mp3", dir / "m/renamed.mp3");
    EXPECT_TRUE(
        waitUntil([&] { return hitsFor(served, "renamed") == 1 && hitsFor(served, "a.mp3") == 0; }, bound));
    fs::remove(dir / "m/renamed.mp3");
    EXPECT_TRUE(waitUntil([&] { return hitsFor(served, "alpha") == 0; }, bound));
}

TEST(SiteIndex, ByteIdenticalCopiesAreListedOnceAndTheOriginalIsTheOne) {
    TempDir dir;
    makeTagged(dir / "m/Band/song.mp3", "Band", "Song");
    fs::create_directories(dir / "m/Kestrel Player");
    fs::create_directories(dir / "m/Other");
    fs::copy_file(dir / "m/Band/song.mp3", dir / "m/Kestrel Player/Band - Song.mp3");  // saved by the player
    fs::copy_file(dir / "m/Band/song.mp3", dir / "m/Other/copy.mp3");
    // The same size, tags and length, but not the same bytes: another track.
    fs::copy_file(dir / "m/Band/song.mp3", dir / "m/Band/remaster.mp3");
    {
        std::fstream f(dir / "m/Band/remaster.mp3", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(-1, std::ios::end);
        f.put('\x55');
    }
    ServedSite served(dir / "m", dir / "index.sqlite");
    auto c = served.client();
    auto hits = scrape(c.Get("/search.php?q=band+song")->body);
    ASSERT_EQ(hits.size(), 2u);
    for (auto& h : hits)
        EXPECT_TRUE(h.link.find("/song.mp3") != std::string::npos ||
                    h.link.find("/remaster.mp3") != std::string::npos)
            << h.link;
    // A copy's own address, in a playlist saved before, still plays.
    for (const auto& t : served.site().catalog()->tracks())
        EXPECT_EQ(c.Get("/f/" + site::formatId(t->id))->status, 200) << t->path;
    // Without the original, the copy outside the save folder stands for it,
    // also after a restart from the stored index.
    fs::remove(dir / "m/Band/song.mp3");
    served.site().reindex();
    hits = scrape(c.Get("/search.php?q=band+song")->body);
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_TRUE(hits[0].link.find("/copy.mp3") != std::string::npos ||
                hits[1].link.find("/copy.mp3") != std::string::npos);
    {
        site::Site first(
            {dir / "m"}, [](const std::string&) {}, dir / "index2.sqlite");
        first.open();
        first.reindex();
    }
    site::Site restarted(
        {dir / "m"}, [](const std::string&) {}, dir / "index2.sqlite");
    EXPECT_EQ(restarted.open(), 3u);
    EXPECT_EQ(restarted.catalog()->search({"band", "song"}, 9).size(), 2u);
}

TEST(SiteLimits, BodiesOriginsSlowClientsAndFilesThatAreNotAudio) {
    TempDir dir;
    makeTagged(dir / "m/song.mp3", "Band", "Song");
    fs::create_symlink("/etc/passwd", dir / "m/leak.mp3");
    std::ofstream(dir / "m/fake.mp3") << "ID3 not really";
    ServedSite served(dir / "m");
    auto c = served.client();
    EXPECT_EQ(hitsFor(served, "mp3"), 1u);  // neither the link nor the fake is listed

    // A body over 1 MB is refused; /reindex needs none, and no foreign form
    // nor a page of another name pointed at this machine (DNS rebinding).
    auto big = c.Post("/search.php", std::string((1 << 20) + 1, 'x'), "text/plain");
    ASSERT_TRUE(big);
    EXPECT_EQ(big->status, 413);
    EXPECT_EQ(run("curl -s -f -o /dev/null -X POST " + served.base() + "reindex"), 0);
    auto foreign = c.Post("/reindex", {{"Origin", "http://elsewhere.example"}}, "", "text/plain");
    ASSERT_TRUE(foreign);
    EXPECT_EQ(foreign->status, 403);
    EXPECT_EQ(statusOf(served.port(),
                       "POST /reindex HTTP/1.1\r\nHost: evil.example\r\nOrigin: "
                       "http://evil.example\r\nContent-Length: 0\r\n\r\n"),
              "HTTP/1.1 403 Forbidden");
    EXPECT_EQ(statusOf(served.port(), "POST /reindex HTTP/1.1\r\nHost: localhost:" +
                                          std::to_string(served.port()) + "\r\nContent-Length: 0\r\n\r\n"),
              "HTTP/1.1 200 OK");

    // Heads without limit: too many fields, or too many bytes in fields of a
    // size the library takes one by one.
    std::string many = "GET / HTTP/1.1\r\nHost: x\r\n", wide = many;
    for (int i = 0; i < 10000; ++i) many += "X-A: b\r\n";
    for (int i = 0; i < 20; ++i) wide += "X-B: " + std::string(4000, 'b') + "\r\n";
    EXPECT_EQ(statusOf(served.port(), many + "\r\n"), "HTTP/1.1 431 Request Header Fields Too Large");
    EXPECT_EQ(statusOf(served.port(), wide + "\r\n"), "HTTP/1.1 431 Request Header Fields Too Large");

    // Forty clients sending their headers a byte at a time from the player's
    // own address, and twenty sending a body a byte a second: the player is
    // answered at once, a hundred requests at once are all answered, and the
    // slow ones are cut at their deadline.
    std::vector<int> slow, bodies;
    for (int i = 0; i < 40; ++i) {
        int fd = connectFrom("127.0.0.1", served.port());
        ASSERT_GE(fd, 0);
        ASSERT_EQ(send(fd, "GET / HTTP/1.1\r\nHo", 18, MSG_NOSIGNAL), 18);
        slow.push_back(fd);
    }
    const std::string post = "POST /search.php HTTP/1.1\r\nHost: x\r\nContent-Length: 1000\r\n\r\n";
    for (int i = 0; i < 20; ++i) {
        int fd = connectFrom(i % 2 ? "127.0.0.3" : "127.0.0.4", served.port());
        ASSERT_GE(fd, 0);
        ASSERT_EQ(send(fd, post.data(), post.size(), MSG_NOSIGNAL), ssize_t(post.size()));
        bodies.push_back(fd);
    }
    std::atomic<bool> fed{false};
    std::thread feeder([&] {
        // One byte a second to each: each byte comes within any read timeout.
        for (int second = 0; second < 15 && !fed; ++second) {
            for (int fd : bodies) send(fd, "x", 1, MSG_NOSIGNAL | MSG_DONTWAIT);
            for (int tick = 0; tick < 10 && !fed; ++tick)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(hitsFor(served, "band"), 1u);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(1));
    std::vector<int> burst;
    const char get[] = "GET /search.php?q=band HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    for (int i = 0; i < 100; ++i) {
        int fd = connectFrom("127.0.0.1", served.port());
        ASSERT_GE(fd, 0);
        ASSERT_EQ(send(fd, get, sizeof get - 1, MSG_NOSIGNAL), ssize_t(sizeof get - 1));
        burst.push_back(fd);
    }
    int answered = 0;
    for (int fd : burst) {
        timeval tv{5, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        char buf[16] = {};
        answered +=
            recv(fd, buf, sizeof buf - 1, MSG_WAITALL) > 0 && std::string(buf).rfind("HTTP/1.1 200", 0) == 0;
        close(fd);
    }
    EXPECT_EQ(answered, 100);
    int other = connectFrom("127.0.0.2", served.port());
    ASSERT_GE(other, 0);
    const char root[] = "GET / HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    ASSERT_EQ(send(other, root, sizeof root - 1, MSG_NOSIGNAL), ssize_t(sizeof root - 1));
    timeval tv{3, 0};
    setsockopt(other, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    char buf[64] = {};
    EXPECT_GT(recv(other, buf, sizeof buf - 1, 0), 0);
    EXPECT_EQ(std::string(buf).rfind("HTTP/1.1 200", 0), 0u) << buf;
    close(other);
    // The site ends each slow one, not our patience.
    slow.insert(slow.end(), bodies.begin(), bodies.end());
    EXPECT_EQ(endedWithin(slow, std::chrono::seconds(site::kHeaderSeconds + 3)), 60u);
    fed = true;
    feeder.join();
    for (int fd : slow) close(fd);

    // A file swapped since its scan is not served until it is read again.
    auto link = scrape(c.Get("/search.php?q=band")->body).at(0).link.substr(served.base().size() - 1);
    EXPECT_EQ(c.Get(link)->status, 200);
    fs::remove(dir / "m/song.mp3");
    fs::create_symlink("/etc/passwd", dir / "m/song.mp3");
    auto swapped = c.Get(link);
    ASSERT_TRUE(swapped);
    EXPECT_EQ(swapped->status, 404);
    EXPECT_EQ(swapped->body.find("root:"), std::string::npos);
}

}  // namespace
