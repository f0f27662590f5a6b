// The automatic advance when playback has stopped: which list continues,
// and how its index moves.
#include <mutex>

#include "app/app_state.h"
#include "library/local_files.h"
#include "library/playlist.h"
#include "library/stations.h"
#include "library_fixture.h"
#include "platform/gui/gui.h"
#include "ui/ids.h"

namespace {

class AdvanceTest : public LibraryTest {
  protected:
    void SetUp() override {
        LibraryTest::SetUp();
        // Nothing here can really play, so every pass sees a stopped channel.
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
};

TEST_F(AdvanceTest, StationEndingContinuesWithThePlaylistRowAfterTheIndex) {
    writeFile("inet_radio.pls", cp("[Всё подряд]\r\nFile1 = /nowhere/station\r\nTitle1 = S\r\n"));
    loadStations();
    showStations();
    gui::listSelectRow(ctl::StationList, 0);
    playStation();
    advanceAfterStop();
    EXPECT_EQ(appState.playlistIndex, 1) << "playlistIndex starts at 0, so row 1 follows";
    EXPECT_EQ(gui::listSelectedRow(ctl::PlaylistList), 1);
    EXPECT_EQ(appState.nowPlayingText, "1");
}

TEST_F(AdvanceTest, UnplayableEntriesArePassedOnePerPassAndTheEndStops) {
    gui::listSelectRow(ctl::PlaylistList, 0);
    playPlaylistEntry();
    advanceAfterStop();
    EXPECT_EQ(appState.playlistIndex, 1);
    advanceAfterStop();
    EXPECT_EQ(appState.playlistIndex, 2);
    EXPECT_EQ(appState.nowPlayingText, "2");
    advanceAfterStop();
    advanceAfterStop();
    EXPECT_EQ(appState.playlistIndex, 4) << "the index moves on although nothing starts";
    EXPECT_EQ(gui::listSelectedRow(ctl::PlaylistList), 2);

    appState.playlistIndex = 0;
    appState.channelPlaying = 1;
    advanceAfterStop();
    EXPECT_EQ(appState.playlistIndex, 0) << "nothing happens while the channel plays";
}

TEST_F(AdvanceTest, LocalFilesWrapToTheFirstRow) {
    writeFile("a.mp3", "");
    writeFile("b.mp3", "");
    listLocalFolder("");
    appState.advanceLocalFiles = 1;
    appState.currentIndex = 1;
    advanceAfterStop();
    EXPECT_EQ(appState.currentIndex, 0);
    EXPECT_EQ(gui::listSelectedRow(ctl::LocalFilesList), 0);
    EXPECT_EQ(appState.nowPlayingText.substr(0, 9), "1        ");
    advanceAfterStop();
    EXPECT_EQ(appState.currentIndex, 1);
}

TEST_F(AdvanceTest, SearchResultsStopPastIndexNinetyEight) {
    fillResults(100);
    appState.advanceResults = 1;
    appState.advancePlaylist = 1;
    appState.currentIndex = 98;
    gui::listSelectRow(ctl::SearchResultsList, 98);
    appState.nowPlayingText = "unchanged";
    advanceAfterStop();
    EXPECT_EQ(appState.currentIndex, 99);
    EXPECT_EQ(gui::listSelectedRow(ctl::SearchResultsList), 98);
    EXPECT_EQ(appState.nowPlayingText, "unchanged");
    EXPECT_EQ(appState.playlistIndex, 0) << "one branch per pass";
}

// Past the last of fewer than 99 results nothing starts. Selecting the
// missing row would leave the last one selected, and playing it would set
// the index back to it: the last track would repeat for ever.
TEST_F(AdvanceTest, SearchResultsStopAfterTheirLastRow) {
    fillResults(3);
    appState.advanceResults = 1;
    appState.currentIndex = 2;
    gui::listSelectRow(ctl::SearchResultsList, 2);
    appState.nowPlayingText = "unchanged";
    advanceAfterStop();
    EXPECT_EQ(appState.currentIndex, 3);
    EXPECT_EQ(appState.nowPlayingText, "unchanged");

    appState.currentIndex = 0;
    advanceAfterStop();
    EXPECT_EQ(appState.nowPlayingText, "result 1") << "within the list the next result plays";
    EXPECT_EQ(appState.currentIndex, 1);
}

}  // namespace
