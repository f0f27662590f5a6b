// The page fetch against a local server: limits, zero bytes, failures, the
// minimum wait that overlaps the transfer, and the stall limit.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "online/connectivity.h"
#include "platform/net/net_testing.h"
#include "support/loopback_listener.h"
#include "test_site_fixture.h"

using namespace std::chrono;
using onlinetest::TestSite;

namespace {

TestSite& pages() {
    static TestSite site([](httplib::Server& s) {
        s.Get("/big", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(1500000, 'a'), "text/html");
        });
        s.Get("/zero", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string("abc\0def", 7), "text/html");
        });
        s.Get("/leadingzero", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string("\0abc", 4), "text/html");
        });
        s.Get("/empty",
              [](const httplib::Request&, httplib::Response& res) { res.set_content("", "text/html"); });
        s.Get("/missing", [](const httplib::Request&, httplib::Response& res) {
            res.status = 404;
            res.set_content("not here", "text/html");
        });
        s.Get("/agent", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.get_header_value("User-Agent"), "text/plain");
        });
        s.Get("/slow", [](const httplib::Request&, httplib::Response& res) {
            std::this_thread::sleep_for(milliseconds(600));
            res.set_content("late", "text/html");
        });
        s.Get("/redirect",
              [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/agent"); });
        s.Get("/to-file", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("file:///etc/passwd");
        });
        s.Get("/stall", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/html", [](size_t offset, httplib::DataSink& sink) {
                if (offset == 0) {
                    sink.write("begin", 5);
                    return true;
                }
                std::this_thread::sleep_for(milliseconds(4000));
                sink.done();
                return true;
            });
        });
        s.Get("/trickle", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/html", [](size_t offset, httplib::DataSink& sink) {
                if (offset > 40) return false;
                std::this_thread::sleep_for(milliseconds(offset == 0 ? 0 : 1000));
                return sink.write("<p", 2);  // two bytes a second until the client goes
            });
        });
        s.Get("/cp1251", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("\xCF\xF0\xE8\xE2\xE5\xF2", "text/html");  // "Привет", no charset
        });
        s.Get("/utf8", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("Привет", "text/html; charset=UTF-8");
        });
    });
    return site;
}

}  // namespace

TEST(PageFetch, KeepsTheFirstMillionBytesAndCutsAtAZeroByte) {
    auto big = fetchPage(pages().base() + "big");
    ASSERT_TRUE(big);
    EXPECT_EQ(big->size(), 1000000u);

    EXPECT_EQ(fetchPage(pages().base() + "zero"), std::optional<std::string>("abc"));
    // A zero first byte is an empty text, which is not the same as no text.
    EXPECT_EQ(fetchPage(pages().base() + "leadingzero"), std::optional<std::string>(""));
}

TEST(PageFetch, EveryFailureIsNoTextButErrorPagesAreText) {
    EXPECT_EQ(fetchPage(pages().base() + "empty"), std::nullopt);
    EXPECT_EQ(fetchPage("http://127.0.0.1:" + std::to_string(onlinetest::closedPort()) + "/"), std::nullopt);
    EXPECT_EQ(fetchPage("file:///etc/passwd"), std::nullopt);
    EXPECT_EQ(fetchPage(pages().base() + "to-file"), std::nullopt);
    EXPECT_EQ(fetchPage("not an address"), std::nullopt);
    EXPECT_EQ(fetchPage(pages().base() + "missing"), std::optional<std::string>("not here"));
}

TEST(PageFetch, SendsTheAgentAndFollowsRedirects) {
    EXPECT_EQ(fetchPage(pages().base() + "redirect"), std::optional<std::string>("Kestrel Player"));
}

TEST(PageFetch, WaitsASecondThatOverlapsTheTransfer) {
    auto start = steady_clock::now();
    EXPECT_EQ(fetchPage(pages().base() + "agent"), std::optional<std::string>("Kestrel Player"));
    EXPECT_GE(steady_clock::now() - start, milliseconds(1000));

    // A 600 ms answer is inside the second, not added to it (1600 ms).
    start = steady_clock::now();
    EXPECT_EQ(fetchPage(pages().base() + "slow"), std::optional<std::string>("late"));
    auto took = steady_clock::now() - start;
    EXPECT_GE(took, milliseconds(1000));
    EXPECT_LT(took, milliseconds(1500));
}

TEST(PageFetch, AStalledServerIsGivenUp) {
    net::Timeouts saved = net::timeouts();
    net::setTimeouts({milliseconds(2000), milliseconds(1000)});
    auto start = steady_clock::now();
    auto result = net::fetch(pages().base() + "stall", 1000000, milliseconds(0));
    auto took = steady_clock::now() - start;
    net::setTimeouts(saved);
    EXPECT_EQ(result.error, net::FetchError::Transfer);
    EXPECT_LT(took, milliseconds(3500));
}

TEST(PageFetch, TheWholeCallEndsInThreeSecondsWhateverTheServerDoes) {
    // A port that accepts (the kernel's backlog) and never answers.
    int port = 0;
    int silent = testsupport::listenOnLoopback(port, 4);
    const std::string never = "http://127.0.0.1:" + std::to_string(port) + "/";
    for (const std::string& address : {never, pages().base() + "trickle"}) {
        SCOPED_TRACE(address);
        auto start = steady_clock::now();
        auto result = net::fetch(address, 1000000, milliseconds(1000));
        auto took = steady_clock::now() - start;
        EXPECT_NE(result.error, net::FetchError::None);
        EXPECT_TRUE(result.page.body.empty());
        EXPECT_GE(took, milliseconds(2900));
        EXPECT_LT(took, milliseconds(3300));
    }
    ::close(silent);
}

TEST(PageFetch, TextIsDecodedFromTheDeclaredCharset) {
    EXPECT_EQ(fetchPageText(pages().base() + "cp1251"), std::optional<std::string>("Привет"));
    EXPECT_EQ(fetchPageText(pages().base() + "utf8"), std::optional<std::string>("Привет"));
}
