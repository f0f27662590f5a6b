// Download to a file: the file appears only on success, under a name no
// other file has; HTTP errors, endless streams, stalls, empty bodies, pages
// and a full disk are failures that leave nothing behind.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>

#include "library/stale_temporaries.h"
#include "online/test_site_fixture.h"
#include "platform/net/net_testing.h"
#include "support/loopback_listener.h"
#include "support/small_disk.h"
#include "support/temp_dir.h"

using namespace std::chrono;
using onlinetest::TestSite;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

using onlinetest::mp3Bytes;

const std::string track = mp3Bytes(300000);

// Real files of the formats the player plays, by name; filled by the test
// that serves them.
std::map<std::string, std::string> formats;
std::atomic<bool> releaseHeld{false};

// A body without length at `bytesPerSecond` (MPEG frames of 128 kbit/s,
// 16000 bytes a second), ending after `total` bytes. The pace is kept over
// the whole body, so a slow server thread catches up.
void paced(httplib::Response& res, double bytesPerSecond, size_t total) {
    const auto start = steady_clock::now();
    res.set_chunked_content_provider("audio/mpeg", [=](size_t offset, httplib::DataSink& sink) {
        static const std::string frames = mp3Bytes(417 * 200, 'p');
        std::this_thread::sleep_for(milliseconds(20));
        const double due = bytesPerSecond * duration<double>(steady_clock::now() - start).count();
        const size_t end = std::min(total, static_cast<size_t>(due));
        while (offset < end) {
            const size_t from = offset % frames.size();
            const size_t n = std::min(frames.size() - from, end - offset);
            if (!sink.write(frames.data() + from, n)) return false;
            offset += n;
        }
        if (end == total) sink.done();
        return true;
    });
}

TestSite& files() {
    static TestSite site([](httplib::Server& s) {
        s.Get("/f/a.mp3",
              [](const httplib::Request&, httplib::Response& res) { res.set_content(track, "audio/mpeg"); });
        s.Get("/f/gone.mp3", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("<html>not found</html>", "text/html");
        });
        s.Get("/f/moved.mp3",
              [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/f/a.mp3"); });
        // A radio station: radio headers, no length, never ends.
        s.Get("/radio", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("icy-name", "Test FM");
            res.set_header("icy-br", "128");
            res.set_chunked_content_provider("audio/mpeg", [](size_t, httplib::DataSink& sink) {
                static const std::string block(4096, 'r');
                std::this_thread::sleep_for(milliseconds(5));
                return sink.write(block.data(), block.size());
            });
        });
        s.Get("/f/empty.mp3",
              [](const httplib::Request&, httplib::Response& res) { res.set_content("", "audio/mpeg"); });
        s.Get("/f/page.mp3", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html><body>Log in first</body></html>", "text/html; charset=utf-8");
        });
        // A fragment of a page, not starting with "<".
        s.Get("/f/fragment.mp3", [](const httplib::Request&, httplib::Response& res) {
            std::string body = "1. Artist - Song 3:20 <a href=\"/f/1.mp3\">download</a><br>\r\n";
            while (body.size() < 655) body += "<p>More of the page.</p>\r\n";
            res.set_content(body.substr(0, 655), "text/html");
        });
        s.Get(R"(/formats/(.+))", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(formats.at(req.matches[1]), "application/octet-stream");
        });
        // A live stream without radio headers (at its bit rate, cut by the
        // server after 12 s), and a file without length at 2.5 times its bit
        // rate, slower than the richest streams.
        s.Get("/f/live.mp3",
              [](const httplib::Request&, httplib::Response& res) { paced(res, 16000, 192000); });
        s.Get("/f/unsized.mp3",
              [](const httplib::Request&, httplib::Response& res) { paced(res, 40000, 160000); });
        // Some audio, then nothing until the test lets it end.
        s.Get("/f/held.mp3", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("audio/mpeg", [](size_t offset, httplib::DataSink& sink) {
                if (offset == 0) return sink.write(track.data(), track.size());
                for (int i = 0; i < 1000 && !releaseHeld; ++i) std::this_thread::sleep_for(milliseconds(10));
                sink.done();
                return true;
            });
        });
        s.Get("/f/page-as-audio.mp3", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("\r\n<!DOCTYPE html><html>Not here</html>", "audio/mpeg");
        });
        s.Get("/f/big.mp3", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(mp3Bytes(6 << 20, 'b'), "audio/mpeg");
        });
        // No length, no radio headers, never ends.
        s.Get("/f/endless.mp3", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("audio/mpeg", [](size_t, httplib::DataSink& sink) {
                static const std::string block = mp3Bytes(157 * 417, 'e');
                return sink.write(block.data(), block.size());
            });
        });
        // Chunked without radio headers: an ordinary file of unknown length.
        s.Get("/f/chunked.mp3", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("audio/mpeg", [](size_t offset, httplib::DataSink& sink) {
                if (offset >= 20000) {
                    sink.done();
                    return true;
                }
                static const std::string block = mp3Bytes(10000, 'c');
                return sink.write(block.data(), block.size());
            });
        });
    });
    return site;
}

// A server on 127.0.0.1 that answers every connection with `talk(fd,
// stopping)`, on a thread of its own, until it is destroyed.
class RawServer {
  public:
    explicit RawServer(std::function<void(int, const std::atomic<bool>&)> talk) : talk_(std::move(talk)) {
        fd_ = testsupport::listenOnLoopback(port_);
        acceptor_ = std::thread([this] {
            while (!stopping_) {
                pollfd p{fd_, POLLIN, 0};
                if (::poll(&p, 1, 20) != 1) continue;
                int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
                if (c >= 0)
                    talkers_.emplace_back([this, c] {
                        talk_(c, stopping_);
                        ::close(c);
                    });
            }
        });
    }
    ~RawServer() {
        stopping_ = true;
        acceptor_.join();
        for (auto& t : talkers_) t.join();
        ::close(fd_);
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/a.mp3"; }

  private:
    std::function<void(int, const std::atomic<bool>&)> talk_;
    std::atomic<bool> stopping_{false};
    int fd_ = -1;
    int port_ = 0;
    std::thread acceptor_;
    std::vector<std::thread> talkers_;  // acceptor thread only, until joined
};

// Sends `head`, then `piece` every `every`, until stopped.
void dribble(int fd, const std::atomic<bool>& stopping, const std::string& head, const std::string& piece,
             milliseconds every) {
    (void)!::send(fd, head.data(), head.size(), MSG_NOSIGNAL);
    while (!stopping) {
        if (::send(fd, piece.data(), piece.size(), MSG_NOSIGNAL) < 0) return;
        for (auto until = steady_clock::now() + every; !stopping && steady_clock::now() < until;)
            std::this_thread::sleep_for(milliseconds(10));
    }
}

// Short limits for one test, the defaults again afterwards.
struct ShortLimits {
    ShortLimits() {
        net::setTimeouts({seconds(1), seconds(1)});
        net::setMaxUnsizedBytes(3 << 20);
    }
    ~ShortLimits() {
        net::setTimeouts({});
        net::setMaxUnsizedBytes(250ull * 1000 * 1000);
    }
};

// Files of the directory other than `keep`.
std::vector<std::string> otherFiles(const TempDir& dir, const std::string& keep) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        if (e.path().filename() != keep) names.push_back(e.path().filename().string());
    return names;
}

}  // namespace

TEST(NetDownload, WritesTheWholeFileAndFollowsRedirects) {
    TempDir dir;
    auto result = net::downloadToFile(files().base() + "f/a.mp3", (dir / "Artist - Song.mp3").string());
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.status, 200);
    EXPECT_EQ(readFile(dir / "Artist - Song.mp3"), track);

    ASSERT_TRUE(net::downloadToFile(files().base() + "f/moved.mp3", (dir / "moved.mp3").string()).ok());
    EXPECT_EQ(readFile(dir / "moved.mp3"), track);
    ASSERT_TRUE(net::downloadToFile(files().base() + "f/chunked.mp3", (dir / "chunked.mp3").string()).ok());
    EXPECT_EQ(readFile(dir / "chunked.mp3").size(), 20000u);
    EXPECT_EQ(otherFiles(dir, "").size(), 3u);  // no temporary file is left

    // Whatever its format, a track the player can play is kept.
    TempDir made;
    ASSERT_EQ(
        testsupport::run("cd " + made.str() +
                         " && sox -n -r 44100 -c 2 tone.wav synth 0.3 sine 440 && sox tone.wav tone.flac"
                         " && sox tone.wav tone.ogg && lame --quiet tone.wav tone.mp3"
                         " && ffmpeg -loglevel error -i tone.wav -c:a aac tone.m4a"),
        0);
    for (const char* name : {"tone.wav", "tone.flac", "tone.ogg", "tone.mp3", "tone.m4a"})
        formats[name] = readFile(made / name);
    formats["one.mid"] = std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0\x04\0\xFF\x2F\0", 26);
    for (const auto& [name, bytes] : formats) {
        SCOPED_TRACE(name);
        EXPECT_EQ(net::downloadToFile(files().base() + "formats/" + name, (dir / name).string()).error,
                  net::DownloadError::None);
        EXPECT_EQ(readFile(dir / name), bytes);
    }
}

TEST(NetDownload, AnHttpErrorKeepsAnExistingFileAndLeavesNoOther) {
    TempDir dir;
    writeFile(dir / "Song.mp3", "old bytes");
    auto result = net::downloadToFile(files().base() + "f/gone.mp3", (dir / "Song.mp3").string());
    EXPECT_EQ(result.error, net::DownloadError::Http);
    EXPECT_EQ(result.status, 404);
    EXPECT_EQ(readFile(dir / "Song.mp3"), "old bytes");
    EXPECT_TRUE(otherFiles(dir, "Song.mp3").empty());
}

TEST(NetDownload, RefusedConnectionsAndOtherSchemesFail) {
    TempDir dir;
    std::string closed = "http://127.0.0.1:" + std::to_string(onlinetest::closedPort()) + "/a.mp3";
    EXPECT_EQ(net::downloadToFile(closed, (dir / "a.mp3").string()).error, net::DownloadError::Connect);
    EXPECT_EQ(net::downloadToFile("file:///etc/passwd", (dir / "b.mp3").string()).error,
              net::DownloadError::BadAddress);
    EXPECT_EQ(net::downloadToFile(files().base() + "f/a.mp3", (dir / "no-such-dir" / "c.mp3").string()).error,
              net::DownloadError::File);
    EXPECT_TRUE(otherFiles(dir, "").empty());
}

TEST(NetDownload, AnEndlessRadioStreamIsRefusedAtOnce) {
    TempDir dir;
    auto start = steady_clock::now();
    auto result = net::downloadToFile(files().base() + "radio", (dir / "radio.mp3").string());
    EXPECT_EQ(result.error, net::DownloadError::EndlessStream);
    EXPECT_LT(steady_clock::now() - start, seconds(5));
    EXPECT_TRUE(otherFiles(dir, "").empty());
}

TEST(NetDownload, HostileServersFailWithinTheirBoundsAndLeaveNothing) {
    ShortLimits limits;
    TempDir dir;
    // Accepts, reads the request, never answers.
    RawServer silent([](int, const std::atomic<bool>& stopping) {
        while (!stopping) std::this_thread::sleep_for(milliseconds(10));
    });
    // Headers that never end, fast enough not to stall: still no answer.
    RawServer endlessHeader([](int fd, const std::atomic<bool>& stopping) {
        dribble(fd, stopping, "HTTP/1.1 200 OK\r\nX-Pad: ", "xxxxxxxxxx", milliseconds(20));
    });
    // A declared length, then two bytes a second. It also looks at the
    // temporary file while the download runs: a later start must know it
    // for ours, and tell whether its run still goes.
    std::mutex seenMutex;
    std::vector<int> owners;
    RawServer trickle([&](int fd, const std::atomic<bool>& stopping) {
        {
            std::lock_guard lock(seenMutex);
            for (const auto& name : otherFiles(dir, "")) owners.push_back(temporaryOwner(name));
        }
        dribble(fd, stopping,
                "HTTP/1.1 200 OK\r\nContent-Length: 5000000\r\nContent-Type: audio/mpeg\r\n\r\n", "tt",
                milliseconds(1000));
    });
    struct Case {
        std::string address;
        net::DownloadError error;
    } cases[] = {
        {silent.url(), net::DownloadError::Connect},
        {endlessHeader.url(), net::DownloadError::Connect},
        {trickle.url(), net::DownloadError::Transfer},
        {files().base() + "f/endless.mp3", net::DownloadError::EndlessStream},
        {files().base() + "f/empty.mp3", net::DownloadError::Empty},
        {files().base() + "f/page.mp3", net::DownloadError::NotAudio},
        {files().base() + "f/page-as-audio.mp3", net::DownloadError::NotAudio},
        {files().base() + "f/fragment.mp3", net::DownloadError::NotAudio},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        auto start = steady_clock::now();
        EXPECT_EQ(net::downloadToFile(c.address, (dir / "a.mp3").string()).error, c.error);
        EXPECT_LT(steady_clock::now() - start, seconds(6));
        EXPECT_TRUE(otherFiles(dir, "").empty());
    }
    std::lock_guard lock(seenMutex);
    EXPECT_EQ(owners, std::vector<int>{::getpid()});
}

// A body without length that still comes at its bit rate is a live stream
// (a failure, in bounded time); one that comes faster is a file.
TEST(NetDownload, AnUnsizedBodyAtItsBitRateIsAStream) {
    net::setStreamPaceCheck(milliseconds(2400));
    TempDir dir;
    auto start = steady_clock::now();
    auto result = net::downloadToFile(files().base() + "f/live.mp3", (dir / "live.mp3").string());
    EXPECT_EQ(result.error, net::DownloadError::EndlessStream);
    EXPECT_LT(steady_clock::now() - start, seconds(6));
    EXPECT_TRUE(otherFiles(dir, "").empty());
    result = net::downloadToFile(files().base() + "f/unsized.mp3", (dir / "unsized.mp3").string());
    EXPECT_EQ(result.error, net::DownloadError::None);
    EXPECT_EQ(result.bytes, 160000u);
    net::setStreamPaceCheck(seconds(30));
}

// The program's exit does not wait for a download: the file it was writing
// goes at once, and the download then fails instead of putting it in place.
TEST(NetDownload, AnAbandonedDownloadLeavesNoFile) {
    TempDir dir;
    releaseHeld = false;
    net::DownloadResult result;
    std::thread worker(
        [&] { result = net::downloadToFile(files().base() + "f/held.mp3", (dir / "held.mp3").string()); });
    for (int i = 0; i < 500 && otherFiles(dir, "").empty(); ++i)
        std::this_thread::sleep_for(milliseconds(10));
    ASSERT_EQ(otherFiles(dir, "").size(), 1u);
    net::abandonDownloads();
    EXPECT_TRUE(otherFiles(dir, "").empty());
    releaseHeld = true;
    worker.join();
    EXPECT_NE(result.error, net::DownloadError::None);
    EXPECT_TRUE(otherFiles(dir, "").empty());
}

TEST(NetDownload, NeverReplacesAFileAndTakesTheNextFreeName) {
    TempDir dir;
    writeFile(dir / "Song.mp3", "mine");
    writeFile(dir / "Song (2).mp3", "mine too");
    auto nameFor = [&](int copy) {
        return (dir / (copy == 1 ? "Song.mp3" : "Song (" + std::to_string(copy) + ").mp3")).string();
    };
    auto result = net::downloadToFile(files().base() + "f/a.mp3", nameFor);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.path, (dir / "Song (3).mp3").string());
    EXPECT_EQ(readFile(dir / "Song (3).mp3"), track);
    EXPECT_EQ(readFile(dir / "Song.mp3"), "mine");
    EXPECT_EQ(readFile(dir / "Song (2).mp3"), "mine too");
    // With one name only, a taken name is a failure.
    EXPECT_EQ(net::downloadToFile(files().base() + "f/a.mp3", (dir / "Song.mp3").string()).error,
              net::DownloadError::File);
    EXPECT_EQ(readFile(dir / "Song.mp3"), "mine");
    EXPECT_EQ(otherFiles(dir, "").size(), 3u);
}

TEST(NetDownload, AFullDiskIsToldApartAndLeavesNothing) {
    testsupport::SmallDisk disk(5);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small file system here";
    auto result = net::downloadToFile(files().base() + "f/big.mp3", (disk.path() / "big.mp3").string());
    EXPECT_EQ(result.error, net::DownloadError::DiskFull);
    EXPECT_TRUE(std::filesystem::is_empty(disk.path()));
}

TEST(NetAddresses, RelativeLinksResolveAgainstTheBase) {
    EXPECT_EQ(net::resolveAddress("http://h:1/", "/f/a.mp3"), "http://h:1/f/a.mp3");
    EXPECT_EQ(net::resolveAddress("http://h:1/dir/page", "f/a.mp3"), "http://h:1/dir/f/a.mp3");
    EXPECT_EQ(net::resolveAddress("http://h:1/", "https://other/x.mp3"), "https://other/x.mp3");
    EXPECT_EQ(net::resolveAddress("http://h:1/", "//cdn/x.mp3"), "http://cdn/x.mp3");
    EXPECT_EQ(net::escapeUnsafeBytes("http://h/a b/\xD0\x96"), "http://h/a%20b/%D0%96");
}
