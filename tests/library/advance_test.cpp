// What plays next: which list continues when playback stops, how each list's
// own row moves, the end of the advance, previous/next, and a stream that
// never played.
#include <mutex>

#include "app/dispatch.h"
#include "app/next_track.h"
#include "library/local_files.h"
#include "library/playlist.h"
#include "library/stations.h"
#include "library_fixture.h"
#include "platform/gui/gui.h"
#include "state/app_state.h"
#include "ui/ids.h"

namespace {

class AdvanceTest : public LibraryTest {
  protected:
    void SetUp() override {
        LibraryTest::SetUp();
        // Nothing here can really play: a stream stops at once, never heard.
        for (const char* n : {"0", "1", "2"}) appendPlaylistEntry({std::string("/nowhere/") + n + ".mp3", n});
    }
    static void fillResults(int count) {
        std::lock_guard lock(appState.listsMutex);
        for (int r = 0; r < count; ++r) {
            const std::string name = "result " + std::to_string(r);
            appState.searchResults.push_back({"/nowhere/" + name + ".mp3", name, name});
            gui::listAddRow(ctl::SearchResultsList, name, 0);
        }
    }
    // One pass while the stream plays and has been heard, then one after it ended.
    static void playedThenEnded() {
        appState.channelPlaying = 1;
        appState.positionMs = 5000;
        advanceAfterStop();
        appState.channelPlaying = 0;
        advanceAfterStop();
    }
};

TEST_F(AdvanceTest, StationEndingContinuesWithThePlaylistRowAfterTheIndex) {
    writeFile("inet_radio.pls", cp("[Всё подряд]\r\nFile1 = /nowhere/station\r\nTitle1 = S\r\n"));
    loadStations();
    showStations();
    gui::listSelectRow(ctl::StationList, 0);
    playStation();
    playedThenEnded();
    EXPECT_EQ(appState.playlistIndex, 1) << "playlistIndex starts at 0, so row 1 follows";
    EXPECT_EQ(gui::listSelectedRow(ctl::PlaylistList), 1);
    EXPECT_EQ(appState.nowPlayingText, "1");
}

// A dead station says so in the status strip, with no box; the time and the
// bands do not freeze on the last values, and the playlist does not take over.
TEST_F(AdvanceTest, StationThatNeverPlayedIsReportedAndTheDisplayReset) {
    writeFile("inet_radio.pls", cp("[Всё подряд]\r\nFile1 = /nowhere/station\r\nTitle1 = Мёртвая\r\n"));
    loadStations();
    showStations();
    appState.positionMs = 65000;
    appState.spectrum[3] = 0.5f;
    gui::listSelectRow(ctl::StationList, 0);
    playStation();
    appState.channelPlaying = 1;  // a library may say "playing" while it still opens
    advanceAfterStop();
    appState.channelPlaying = 0;
    advanceAfterStop();
    EXPECT_EQ(appState.nowPlayingText, "Станция не отвечает: Мёртвая");
    EXPECT_EQ(appState.positionMs, 0u);
    EXPECT_EQ(appState.spectrum[3], 0.0f);
    EXPECT_EQ(gui::listSelectedRow(ctl::PlaylistList), -1) << "the playlist did not start";
    advanceAfterStop();
    EXPECT_EQ(appState.nowPlayingText, "Станция не отвечает: Мёртвая") << "the text stays";
    EXPECT_TRUE(messages().empty());
}

TEST_F(AdvanceTest, UnplayableEntriesArePassedOnePerPassAndTheEndDisarms) {
    gui::listSelectRow(ctl::PlaylistList, 0);
    playPlaylistEntry();
    advanceAfterStop();
    EXPECT_EQ(appState.playlistIndex, 1);
    // The entries passed over stay named in the strip beside the next one.
    EXPECT_NE(appState.nowPlayingText.find("(не удалось воспроизвести: 0)"), std::string::npos)
        << appState.nowPlayingText;
    advanceAfterStop();
    EXPECT_EQ(appState.playlistIndex, 2);
    advanceAfterStop();
    EXPECT_EQ(appState.nowPlayingText, "Не удалось воспроизвести: 0, 1, 2");
    EXPECT_EQ(appState.advancePlaylist, 0) << "out of rows: the advance disarms";
    // A row moved afterwards (as "+" and Record move the search row) starts nothing.
    appState.playlistIndex = 0;
    advanceAfterStop();
    EXPECT_EQ(gui::listSelectedRow(ctl::PlaylistList), 2);

    appState.advancePlaylist = 1;
    appState.channelPlaying = 1;
    advanceAfterStop();
    EXPECT_EQ(appState.playlistIndex, 0) << "nothing happens while the channel plays";
}

TEST_F(AdvanceTest, LocalFilesWrapToTheFirstRow) {
    writeFile("a.mp3", "");
    writeFile("b.mp3", "");
    listLocalFolder("");
    appState.advanceLocalFiles = 1;
    appState.localFilesIndex = 1;
    advanceAfterStop();
    EXPECT_EQ(appState.localFilesIndex, 0);
    EXPECT_EQ(gui::listSelectedRow(ctl::LocalFilesList), 0);
    EXPECT_EQ(appState.nowPlayingText.substr(0, 9), "1        ");
    advanceAfterStop();
    EXPECT_EQ(appState.localFilesIndex, 1);
}

// "+" and Record move the search row; once the results have run out they
// must not start the next result on the following pass.
TEST_F(AdvanceTest, SearchResultsStopAfterTheirLastRowAndStayStopped) {
    fillResults(3);
    gui::listSelectRow(ctl::SearchResultsList, 1);
    playSearchResult();
    advanceAfterStop();
    EXPECT_EQ(appState.nowPlayingText, "result 2") << "within the list the next result plays";
    advanceAfterStop();
    EXPECT_EQ(appState.advanceResults, 0);
    appState.currentIndex = 0;  // what "+" on row 0 does
    appState.nowPlayingText = "unchanged";
    advanceAfterStop();
    EXPECT_EQ(appState.nowPlayingText, "unchanged");

    fillResults(97);
    appState.currentIndex = 98;
    appState.advanceResults = 1;
    advanceAfterStop();
    EXPECT_EQ(appState.nowPlayingText, "unchanged") << "the advance ends at row 98";
}

// Opening a file that is not listed must not move the search results' row.
TEST_F(AdvanceTest, EachListContinuesFromItsOwnRow) {
    fillResults(3);
    gui::listSelectRow(ctl::SearchResultsList, 1);
    playSearchResult();
    dialogAnswer = "";
    openLocalFile();
    EXPECT_EQ(appState.localFilesIndex, -1);
    advanceAfterStop();
    EXPECT_EQ(appState.currentIndex, 2);
    EXPECT_EQ(appState.nowPlayingText, "result 2");
}

// The skin's arrows, entered as the control events a click (or the desktop's
// media keys) makes.
TEST_F(AdvanceTest, PreviousAndNextStepThroughTheListPlayingLast) {
    const auto press = [](int control) { dispatchControlEvent(control, int(gui::ControlEventType::Left)); };
    gui::listSelectRow(ctl::PlaylistList, 1);
    playPlaylistEntry();
    press(ctl::NextButton);
    EXPECT_EQ(appState.nowPlayingText, "2");
    press(ctl::NextButton);
    EXPECT_EQ(appState.playlistIndex, 2) << "the playlist stops at its end";
    press(ctl::PreviousButton);
    press(ctl::PreviousButton);
    press(ctl::PreviousButton);
    EXPECT_EQ(appState.playlistIndex, 0);
    EXPECT_EQ(appState.nowPlayingText, "0");

    writeFile("a.mp3", "");
    writeFile("b.mp3", "");
    writeFile("c.mp3", "");
    listLocalFolder("");
    gui::listSelectRow(ctl::LocalFilesList, 0);
    playLocalFile();
    press(ctl::PreviousButton);
    EXPECT_EQ(appState.localFilesIndex, 2) << "local files wrap round";
    EXPECT_EQ(gui::text(ctl::SearchField), "c");
    EXPECT_EQ(appState.playlistIndex, 0) << "the other lists keep their rows";
}

}  // namespace
