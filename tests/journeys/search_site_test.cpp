// The player against a real kestrel-site over a folder of tagged MP3s: a
// search finds the tracks, a double click plays one, the record button
// saves one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "app/program.h"
#include "platform/gui/gui_testing.h"
#include "state/app_state.h"
#include "support/temp_dir.h"
#include "ui/ids.h"

namespace {

namespace fs = std::filesystem;

// kestrel-site as a child process; its first line on stdout is its address.
class SiteProcess {
  public:
    explicit SiteProcess(const fs::path& folder) {
        const std::string binary = std::string(KESTREL_BINARY_DIR) + "/kestrel-site";
        int out[2];
        if (pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            close(out[0]);
            // An index of its own, so no test touches the user's cache.
            const std::string db = (index_.path() / "index.sqlite").string();
            execl(binary.c_str(), binary.c_str(), "--port", "0", "--db", db.c_str(), folder.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        FILE* reader = fdopen(out[0], "r");
        char line[256] = {};
        if (reader && std::fgets(line, sizeof line, reader)) base_ = line;
        while (!base_.empty() && (base_.back() == '\n' || base_.back() == '\r')) base_.pop_back();
        if (reader) std::fclose(reader);
    }
    ~SiteProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& base() const { return base_; }

  private:
    testsupport::TempDir index_;  // removed after the site has ended
    pid_t pid_ = -1;
    std::string base_;
};

void makeTrack(const fs::path& path, const std::string& artist, const std::string& title, int hertz) {
    const std::string wav = path.string() + ".wav";
    ASSERT_EQ(testsupport::run("sox -n -r 44100 -c 2 '" + wav + "' synth 3 sine " + std::to_string(hertz) +
                               " vol 0.5 2>/dev/null"),
              0);
    ASSERT_EQ(testsupport::run("lame --quiet -b 128 --ta '" + artist + "' --tt '" + title + "' '" + wav +
                               "' '" + path.string() + "'"),
              0);
    fs::remove(wav);
}

bool passUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (!loopPass()) return false;
        if (done()) return true;
    }
    return done();
}

}  // namespace

TEST(SearchSite, FindsPlaysAndSavesTracks) {
    testsupport::TempDir music;
    makeTrack(music / "one.mp3", "Kestrel Demo", "Morning Tone", 440);
    makeTrack(music / "two.mp3", "Kestrel Demo", "Evening Tone", 660);
    makeTrack(music / "three.mp3", "Someone Else", "Other Song", 550);
    SiteProcess site(music.path());
    ASSERT_EQ(site.base().rfind("http://127.0.0.1:", 0), 0u) << "the site did not start";

    testsupport::TempDir work;
    testsupport::ScopedCwd cwd(work.path());
    setenv("KESTREL_SITE_URL", site.base().c_str(), 1);
    setenv("KESTREL_AUDIO_WAV", (work / "out.wav").c_str(), 1);
    gui::setMessageBoxResponder([](const gui::MessageBoxInfo&) {});
    gui::clearShownMessageBoxes();
    static int argc = 1;
    static char name[] = "kestrel-player";
    static char* argv[] = {name, nullptr};
    ASSERT_TRUE(startUp(argc, argv));

    gui::setText(ctl::SearchField, "kestrel demo");
    gui::simulateClick(ctl::SearchButton, gui::ControlEventType::Left, 3, 3);
    ASSERT_TRUE(
        passUntil([] { return gui::listRowCount(ctl::SearchResultsList) > 0; }, std::chrono::seconds(10)));
    ASSERT_EQ(gui::listRowCount(ctl::SearchResultsList), 2);
    EXPECT_NE(gui::listRowText(ctl::SearchResultsList, 0).find("0.   Kestrel Demo - "), std::string::npos);

    // Double click on the first row: it streams from the site.
    const gui::Point centre = gui::listRowCentre(ctl::SearchResultsList, 0);
    const gui::Rect list = gui::controlScreenRect(ctl::SearchResultsList);
    gui::simulateClick(ctl::SearchResultsList, gui::ControlEventType::Double, centre.x - list.x + 100,
                       centre.y - list.y);
    EXPECT_TRUE(passUntil([] { return appState.channelPlaying != 0 && appState.positionMs > 300; },
                          std::chrono::seconds(10)));
    EXPECT_EQ(appState.currentIndex.load(), 0);
    const std::string title = appState.currentTitle;
    EXPECT_EQ(title.rfind("Kestrel Demo - ", 0), 0u);

    // The record button saves the selected result under its title.
    gui::simulateClick(ctl::RecordButton, gui::ControlEventType::Left, 3, 3);
    const auto saved = [] {
        for (const auto& box : gui::shownMessageBoxes())
            if (box.text == "Запись Успешная !") return true;
        return false;
    };
    EXPECT_TRUE(passUntil(saved, std::chrono::seconds(20)));
    const fs::path file = work / (title + ".mp3");
    ASSERT_TRUE(fs::exists(file));
    EXPECT_GT(fs::file_size(file), 20000u);

    shutDown();
    gui::setMessageBoxResponder(nullptr);
    unsetenv("KESTREL_AUDIO_WAV");
}
