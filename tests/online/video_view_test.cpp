// The video window on the real web view (offscreen Qt): the start address,
// history, the resize rule, the bookmarklet and the replacing second click.
#include "online/video_view.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>

#include "main_window_fixture.h"
#include "platform/web/web.h"
#include "state/app_state.h"
#include "support/loopback_listener.h"
#include "test_site_fixture.h"
#include "ui/ids.h"

using namespace onlinetest;
using namespace std::chrono_literals;

// WebEngine's own Chromium frees some objects with a sized delete of another
// size, which the sanitizer build reports inside the system library when a
// page closes. That check is off for this executable; the others stay on.
extern "C" const char* __asan_default_options() {
    return "new_delete_type_mismatch=0";
}

namespace {

TestSite& site() {
    static TestSite s([](httplib::Server& server) {
        auto page = [](const std::string& body) {
            return [body](const httplib::Request&, httplib::Response& res) {
                res.set_content("<html><body>" + body + "</body></html>", "text/html");
            };
        };
        server.Get("/video/", page("start"));
        server.Get("/video/results", page("results"));
        server.Get("/video/second", page("second"));
        server.Get("/js/db.js", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("document.title = 'db loaded';", "application/javascript");
        });
    });
    return s;
}

bool webEngineMapped() {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line))
        if (line.find("libQt6WebEngineCore") != std::string::npos) return true;
    return false;
}

class VideoView : public MainWindowTest {
  protected:
    ScopedEnv video{"KESTREL_VIDEO_URL", site().base() + "video/"};
    ScopedEnv script{"KESTREL_SCRIPT_URL", site().base()};

    void SetUp() override {
        MainWindowTest::SetUp();
        gui::createImage(img::VideoSplashImage, 520, 330);
    }
    static std::string address() { return web::currentAddress(ctl::VideoBrowser); }
    static bool loaded(const std::string& ending) {
        std::string a = address();
        return a.size() >= ending.size() && a.compare(a.size() - ending.size(), ending.size(), ending) == 0 &&
               !web::loading(ctl::VideoBrowser);
    }
};

}  // namespace

TEST_F(VideoView, OpensOnTheSearchForTheCleanedTitle) {
    if (!web::moduleLoaded()) {
        EXPECT_FALSE(webEngineMapped()) << "WebEngine loaded before any view opened";
    }
    appState.currentTitle = "Artist - Song 2010";
    auto start = std::chrono::steady_clock::now();
    openVideoWindow();
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1000ms);  // the splash
    EXPECT_EQ(appState.videoWindowOpen, 1);
    EXPECT_EQ(appState.currentTitle, "Artist  Song ");
    EXPECT_EQ(gui::windowTitle(win::VideoWindow),
              "Кач\x61"
              "ем видео с Youtube");
    EXPECT_EQ(gui::controlRect(ctl::VideoSplash).x, -1000);
    EXPECT_EQ(gui::controlRect(ctl::VideoBrowser), (gui::Rect{0, 35, 800, 565}));
    EXPECT_EQ(gui::text(ctl::DownloadButton), "Скачать");
    ASSERT_TRUE(web::moduleLoaded());

    ASSERT_TRUE(pumpUntil([] { return site().count("/video/results") > 0; }, 60s));
    auto seen = site().requests();
    EXPECT_NE(seen.back().target.find("search_query=Artist%20%20Song%20&aq=f"), std::string::npos)
        << seen.back().target;
}

TEST_F(VideoView, GoesBackAndForwardAndRunsTheBookmarklet) {
    // Each page counts as shown once the server has served it and the view
    // has finished loading it.
    auto shown = [](const std::string& path, int before) {
        return pumpUntil([&] { return site().count(path) > before && loaded(path); }, 60s);
    };
    int starts = site().count("/video/");
    openVideoWindow();  // no title: the start page
    ASSERT_TRUE(shown("/video/", starts)) << address();
    web::navigate(ctl::VideoBrowser, site().base() + "video/second");
    ASSERT_TRUE(shown("/video/second", 0)) << address();
    videoGoBack();
    ASSERT_TRUE(pumpUntil([] { return loaded("/video/"); }, 20s)) << address();
    videoGoForward();
    ASSERT_TRUE(pumpUntil([] { return loaded("/video/second"); }, 20s)) << address();
    videoRefresh();
    videoStop();

    int before = site().count("/js/db.js");
    videoRunBookmarklet();
    EXPECT_TRUE(pumpUntil([&] { return site().count("/js/db.js") > before; }, 20s));
}

TEST_F(VideoView, TheBrowserFillsTheWindowBelowTheButtons) {
    openVideoWindow();
    gui::setWindowClientSize(win::VideoWindow, 1000, 700);
    resizeVideoBrowser();
    EXPECT_EQ(gui::controlRect(ctl::VideoBrowser), (gui::Rect{0, 35, 1000, 665}));
    gui::setWindowClientSize(win::VideoWindow, 300, 2000);  // beyond the limits
    resizeVideoBrowser();
    EXPECT_EQ(gui::controlRect(ctl::VideoBrowser), (gui::Rect{0, 35, 500, 1050 - 35}));

    // A second click replaces the window and cleans the title once more.
    appState.currentTitle = "X-Y-Z";
    openVideoWindow();
    EXPECT_EQ(appState.currentTitle, "XY-Z");
    EXPECT_EQ(gui::controlRect(ctl::VideoBrowser), (gui::Rect{0, 35, 800, 565}));
    openVideoWindow();
    EXPECT_EQ(appState.currentTitle, "XYZ");
    closeVideoWindow();
    EXPECT_EQ(appState.videoWindowOpen, 0);
    EXPECT_FALSE(gui::windowExists(win::VideoWindow));
    resizeVideoBrowser();  // closed: nothing to do
}

// A site that accepts the connection and never answers is given up after
// three seconds (then our page says so), not after the browser's own timeout.
TEST_F(VideoView, ASiteThatNeverAnswersIsGivenUpInThreeSeconds) {
    int port = 0;
    const int silent = testsupport::listenOnLoopback(port);
    ASSERT_GE(silent, 0);
    ScopedEnv deadSite("KESTREL_VIDEO_URL", "http://127.0.0.1:" + std::to_string(port) + "/");
    openVideoWindow();
    ASSERT_TRUE(pumpUntil([] { return web::loading(ctl::VideoBrowser); }, 60s));
    EXPECT_TRUE(pumpUntil([] { return !web::loading(ctl::VideoBrowser); }, 8s));
    ::close(silent);
}

TEST(VideoBookmarklet, IsTheScriptLoaderForTheScriptSite) {
    ScopedEnv script("KESTREL_SCRIPT_URL", "http://scripts.example/");
    EXPECT_EQ(
        videoBookmarklet(),
        "javascript:void((function(){var s=document.createElement('script');s.setAttribute('type','text/"
        "javascript');s.setAttribute('src','http://scripts.example/js/"
        "db.js');try{document.body.appendChild(s)}"
        "catch(e){}})())");
}
