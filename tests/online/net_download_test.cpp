// Download to a file: the file appears only on success, HTTP errors and
// endless radio streams are failures that leave nothing behind.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/net/net.h"
#include "support/temp_dir.h"
#include "test_site_fixture.h"

using namespace std::chrono;
using onlinetest::TestSite;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

const std::string track(300000, 'm');

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
        // Chunked without radio headers: an ordinary file of unknown length.
        s.Get("/f/chunked.mp3", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("audio/mpeg", [](size_t offset, httplib::DataSink& sink) {
                if (offset >= 20000) {
                    sink.done();
                    return true;
                }
                static const std::string block(10000, 'c');
                return sink.write(block.data(), block.size());
            });
        });
    });
    return site;
}

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

TEST(NetAddresses, RelativeLinksResolveAgainstTheBase) {
    EXPECT_EQ(net::resolveAddress("http://h:1/", "/f/a.mp3"), "http://h:1/f/a.mp3");
    EXPECT_EQ(net::resolveAddress("http://h:1/dir/page", "f/a.mp3"), "http://h:1/dir/f/a.mp3");
    EXPECT_EQ(net::resolveAddress("http://h:1/", "https://other/x.mp3"), "https://other/x.mp3");
    EXPECT_EQ(net::resolveAddress("http://h:1/", "//cdn/x.mp3"), "http://cdn/x.mp3");
    EXPECT_EQ(net::escapeUnsafeBytes("http://h/a b/\xD0\x96"), "http://h/a%20b/%D0%96");
}
