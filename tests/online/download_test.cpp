// The record button: single and playlist downloads with their captions,
// messages and button image, the busy warning, and unsafe titles.
#include "online/download.h"

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <atomic>
#include <condition_variable>
#include <filesystem>

#include "main_window_fixture.h"
#include "online/search.h"
#include "state/app_state.h"
#include "support/small_disk.h"
#include "support/temp_dir.h"
#include "test_site_fixture.h"
#include "ui/ids.h"

using namespace onlinetest;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

std::string trackBytes(const std::string& name) {
    return "ID3 bytes of " + name + std::string(5000, 'x');
}

TestSite& site() {
    static TestSite s([](httplib::Server& server) {
        server.Get(R"(/f/(\w+)\.mp3)", [](const httplib::Request& req, httplib::Response& res) {
            if (req.matches[1] == "slow") std::this_thread::sleep_for(1500ms);
            if (req.matches[1] == "big") return res.set_content(mp3Bytes(6 << 20, 'b'), "audio/mpeg");
            res.set_content(trackBytes(req.matches[1]), "audio/mpeg");
        });
        server.Get("/radio", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("icy-name", "Test FM");
            res.set_chunked_content_provider("audio/mpeg", [](size_t, httplib::DataSink& sink) {
                static const std::string block(4096, 'r');
                std::this_thread::sleep_for(5ms);
                return sink.write(block.data(), block.size());
            });
        });
        server.Get("/search.php", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("1. <a href=\"/f/new.mp3\">New - One</a> 1:00<BR>", "text/html");
        });
    });
    return s;
}

// Holds the worker's result box open until release() is called.
class HeldBox {
  public:
    void hold(const gui::MessageBoxInfo&) {
        std::unique_lock lock(mutex_);
        ++opened_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return released_; });
    }
    void waitOpened() {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, 10s, [&] { return opened_ > 0; });
    }
    void release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int opened_ = 0;
    bool released_ = false;
};

class Download : public MainWindowTest {
  protected:
    testsupport::TempDir dir;
    testsupport::ScopedCwd cwd{dir.path()};
    ScopedEnv siteAddress{"KESTREL_SITE_URL", site().base()};

    void setResults(const std::vector<SearchResult>& results) {
        appState.searchResults = results;
        for (size_t i = 0; i < results.size(); ++i)
            gui::listAddRow(ctl::SearchResultsList, resultLabel(int(i), results[i].display),
                            img::AddIconImage);
    }
    void setPlaylist(const std::vector<StationEntry>& entries) {
        appState.playlistEntries = entries;
        for (const auto& e : entries) gui::listAddRow(ctl::PlaylistList, e.title, img::PlaylistIconImage);
    }
    void saveResult(int row) {
        gui::listSelectRow(ctl::SearchResultsList, row);
        appState.downloadSource = {1, 0};
        startDownload();
        waitForWorker();
    }
    void waitForWorker() {
        ASSERT_TRUE(pumpUntil([] { return !downloadRunning(); }, 20s));
    }
    std::vector<std::string> files() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.path()))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

}  // namespace

TEST_F(Download, ASearchResultIsSavedUnderItsTitleWithCaptionAndImage) {
    HeldBox box;
    gui::setMessageBoxResponder([&](const gui::MessageBoxInfo& info) {
        if (info.text != "Программа занята!\nИдет запись!") box.hold(info);
    });
    std::vector<SearchResult> results(6, SearchResult{"/f/other.mp3", "x", "Other"});
    results[5] = {"/f/a.mp3", "Artist - Song 3:20", "Artist - Song"};
    setResults(results);
    gui::listSelectRow(ctl::SearchResultsList, 5);
    appState.downloadSource = {1, 0};
    startDownload();
    box.waitOpened();

    // While the result box is open the worker still runs.
    EXPECT_EQ(appState.recordingActive, 1);
    EXPECT_EQ(appState.currentIndex, 5);
    {
        std::lock_guard lock(appState.listsMutex);
        EXPECT_EQ(appState.recordingCaption, "5.   Artist - Song");
    }
    EXPECT_TRUE(pumpUntil([] { return gui::controlImage(ctl::RecordButton) == img::RecordingImage; }, 2s));
    startDownload();  // busy
    box.release();
    waitForWorker();
    EXPECT_EQ(appState.recordingActive, 0);
    EXPECT_TRUE(pumpUntil([] { return gui::controlImage(ctl::RecordButton) == 0; }, 2s));

    EXPECT_EQ(testsupport::readFile("Artist - Song.mp3"), trackBytes("a"));
    EXPECT_EQ(files(), std::vector<std::string>{"Artist - Song.mp3"});
    auto shown = boxes();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].caption, "");
    EXPECT_EQ(shown[0].text, "Запись Успешная !");
    EXPECT_EQ(shown[0].icon, gui::Icon::Information);
    EXPECT_EQ(shown[1].text, "Программа занята!\nИдет запись!");
    EXPECT_EQ(shown[1].icon, gui::Icon::Warning);

    // After the box has closed, a new click starts a new worker.
    saveResult(0);
    EXPECT_TRUE(fs::exists("Other.mp3"));
}

TEST_F(Download, AFailedDownloadSaysSoAndKeepsTheExistingFile) {
    testsupport::writeFile("Song.mp3", "mine");
    setResults({{"/missing/song.mp3", "Song", "Song"}});
    saveResult(0);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "Запись потерпела неудачу !");
    EXPECT_EQ(boxes()[0].icon, gui::Icon::Error);
    EXPECT_EQ(testsupport::readFile("Song.mp3"), "mine");
    EXPECT_EQ(files(), std::vector<std::string>{"Song.mp3"});
}

TEST_F(Download, ATitleSavedAgainKeepsTheFirstAndAFullDiskSaysSo) {
    setResults({{"/f/a.mp3", "", "Song"}, {"/f/b.mp3", "", "Song"}, {"/f/big.mp3", "", "Big"}});
    saveResult(0);
    saveResult(1);
    EXPECT_EQ(files(), (std::vector<std::string>{"Song (2).mp3", "Song.mp3"}));
    EXPECT_EQ(testsupport::readFile("Song.mp3"), trackBytes("a"));
    EXPECT_EQ(testsupport::readFile("Song (2).mp3"), trackBytes("b"));

    testsupport::SmallDisk disk(5);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small file system here";
    testsupport::ScopedCwd onDisk(disk.path());
    saveResult(2);
    ASSERT_EQ(boxes().size(), 3u);
    EXPECT_EQ(boxes()[2].text, "Запись потерпела неудачу !\nНа диске нет места.");
    EXPECT_TRUE(fs::is_empty(disk.path()));
}

TEST_F(Download, RemoteTitlesCannotLeaveTheWorkingDirectory) {
    setResults(
        {{"/f/a.mp3", "", "AC/DC - T.N.T."}, {"/f/b.mp3", "", ".."}, {"/f/c.mp3", "", "Don&#39;t Stop"}});
    for (int row = 0; row < 3; ++row) saveResult(row);
    EXPECT_EQ(files(),
              (std::vector<std::string>{"AC_DC - T.N.T..mp3", "Don&#39;t Stop.mp3", "Без названия.mp3"}));
    EXPECT_FALSE(fs::exists(dir.path().parent_path() / "..mp3"));
}

TEST_F(Download, TheSaveFolderIsMadeWhenFirstNeededAndNamedWhenItCannotBe) {
    setResults({{"/f/a.mp3", "", "Song"}});
    {
        // The music folder does not exist yet: it is made with its parents.
        ScopedEnv folder{"KESTREL_SAVE_DIR", (dir.path() / "Music/Kestrel Player").string()};
        saveResult(0);
        EXPECT_EQ(testsupport::readFile(dir.path() / "Music/Kestrel Player/Song.mp3"), trackBytes("a"));
    }
    // A file where the music folder should be: it is kept, and the box says
    // which folder could not be made.
    testsupport::writeFile("Music2", "mine");
    ScopedEnv folder{"KESTREL_SAVE_DIR", (dir.path() / "Music2/Kestrel Player").string()};
    saveResult(0);
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[1].text, "Запись потерпела неудачу !\nНе удалось создать папку для записи:\n" +
                                   (dir.path() / "Music2/Kestrel Player/").string());
    EXPECT_EQ(testsupport::readFile("Music2"), "mine");

    // A folder that may not be written: the box says so and names it.
    testsupport::SmallDisk disk(1);
    if (!disk.mounted() ||
        ::mount(nullptr, disk.path().c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
        GTEST_SKIP() << "cannot mount a read-only file system here";
    ScopedEnv readOnly{"KESTREL_SAVE_DIR", disk.path().string()};
    saveResult(0);
    ASSERT_EQ(boxes().size(), 3u);
    EXPECT_EQ(boxes()[2].text, "Запись потерпела неудачу !\nПапка для записи доступна только для чтения:\n" +
                                   disk.path().string() + "/");
}

TEST_F(Download, APlaylistIsSavedInOrderWithOneMessage) {
    setPlaylist({{site().base() + "f/one.mp3", "One"},
                 {"/f/two.mp3", "Two"},
                 {site().base() + "f/three.mp3", "Three"}});
    gui::listSelectRow(ctl::PlaylistList, 2);
    appState.downloadSource = {0, 1};
    size_t before = site().requests().size();
    startDownload();
    waitForWorker();
    auto seen = site().requests();
    ASSERT_EQ(seen.size(), before + 3);
    EXPECT_EQ(seen[before].path, "/f/one.mp3");
    EXPECT_EQ(seen[before + 1].path, "/f/two.mp3");
    EXPECT_EQ(seen[before + 2].path, "/f/three.mp3");
    EXPECT_EQ(files(), (std::vector<std::string>{"One.mp3", "Three.mp3", "Two.mp3"}));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "Запись Успешная !");
    std::lock_guard lock(appState.listsMutex);
    EXPECT_EQ(appState.recordingCaption, "2.   Three");
}

TEST_F(Download, ARadioStreamInThePlaylistIsCountedAsFailed) {
    setPlaylist({{"/f/one.mp3", "One"}, {site().base() + "radio", "Radio"}, {"/f/two.mp3", "Two"}});
    gui::listSelectRow(ctl::PlaylistList, 0);
    appState.downloadSource = {0, 1};
    startDownload();
    waitForWorker();
    EXPECT_EQ(files(), (std::vector<std::string>{"One.mp3", "Two.mp3"}));
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "Запись потерпела неудачу !\nНе записано файлов: 1 из 3");
    EXPECT_EQ(boxes()[0].icon, gui::Icon::Error);
}

TEST_F(Download, ASearchDuringADownloadDoesNotDisturbIt) {
    setResults({{"/f/slow.mp3", "", "Slow One"}});
    gui::listSelectRow(ctl::SearchResultsList, 0);
    appState.downloadSource = {1, 0};
    startDownload();
    gui::setText(ctl::SearchField, "new");
    runSearch();
    EXPECT_EQ(rowTexts(ctl::SearchResultsList), std::vector<std::string>{"0.   New - One    1:00"});
    waitForWorker();
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, "Запись Успешная !");
    EXPECT_EQ(testsupport::readFile("Slow One.mp3"), trackBytes("slow"));
}

TEST_F(Download, NothingTouchedOrNothingSelectedEndsQuietly) {
    setResults({{"/f/a.mp3", "", "A"}});
    startDownload();  // no list touched yet
    waitForWorker();
    appState.downloadSource = {1, 0};  // touched, no row selected
    startDownload();
    waitForWorker();
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(files().empty());
}
