// The playlist: loading, changing, saving, and the editor window.
#include "library/playlist.h"

#include <sys/stat.h>

#include "app/app_state.h"
#include "app/next_track.h"
#include "library_fixture.h"
#include "platform/gui/gui.h"
#include "platform/text/cp1251.h"
#include "ui/ids.h"

namespace {

class PlaylistTest : public LibraryTest {
  protected:
    // A file with a style group before the playlist and the history after it.
    void writeList(const std::string& playlistLines) {
        writeFile("inet_radio.pls", cp("[Рок]\r\nFile1 = http://rock/\r\n[Плейлист]\r\n" + playlistLines +
                                       "[История]\r\nFile0 = q\r\n"));
    }
    static void save() { savePlaylist(); }
    static std::string saved() { return text::fromCp1251(readFile("inet_radio.pls")); }
};

TEST_F(PlaylistTest, LoadsUntilTheFirstGapAndSaveRenumbers) {
    writeList("File0 = http://a/\r\nTitle0 = A\r\nFile1 = http://b/\r\nFile3 = http://d/\r\nTitle3 = D\r\n");
    loadPlaylist();
    EXPECT_EQ(rows(ctl::PlaylistList), (std::vector<std::string>{"A", ""}));
    EXPECT_EQ(gui::listRowIcon(ctl::PlaylistList, 0), img::PlaylistIconImage);
    EXPECT_EQ(gui::listRowTextColour(ctl::PlaylistList, 1), (gui::Rgb{165, 165, 165}));

    save();
    EXPECT_EQ(saved(),
              "[Рок]\r\nFile1 = http://rock/\r\n[История]\r\nFile0 = q\r\n"
              "[Плейлист]\r\nFile0 = http://a/\r\nTitle0 = A\r\nFile1 = http://b/\r\nTitle1 = \r\n");
    EXPECT_EQ(messages(), std::vector<std::string>{"Запись создана !"});
    EXPECT_EQ(gui::shownMessageBoxes().at(0).caption, "");
    EXPECT_EQ(gui::shownMessageBoxes().at(0).icon, gui::Icon::Information);
}

TEST_F(PlaylistTest, GroupStartingAtOneLoadsNothingAndIsReplaced) {
    writeList("File1 = http://b/\r\n");
    loadPlaylist();
    EXPECT_EQ(gui::listRowCount(ctl::PlaylistList), 0);
    appendPlaylistEntry({"http://new/", "Новая"});
    save();
    EXPECT_EQ(saved(),
              "[Рок]\r\nFile1 = http://rock/\r\n[История]\r\nFile0 = q\r\n"
              "[Плейлист]\r\nFile0 = http://new/\r\nTitle0 = Новая\r\n");
}

TEST_F(PlaylistTest, DeleteThenAppendKeepsEntriesAndRowsTogether) {
    writeList("File0 = 1\r\nTitle0 = один\r\nFile1 = 2\r\nTitle1 = два\r\nFile2 = 3\r\nTitle2 = три\r\n");
    loadPlaylist();
    gui::listSelectRow(ctl::PlaylistList, 0);
    deletePlaylistEntry();
    appendPlaylistEntry({"4", "четыре"});
    EXPECT_EQ(rows(ctl::PlaylistList), (std::vector<std::string>{"два", "три", "четыре"}));
    EXPECT_EQ(gui::listRowTextColour(ctl::PlaylistList, 2), (gui::Rgb{165, 165, 165}));
    EXPECT_EQ(gui::listRowBackground(ctl::PlaylistList, 0), (gui::Rgb{0, 0, 0}))
        << "bands redone after a delete";
    EXPECT_EQ(gui::listRowBackground(ctl::PlaylistList, 1), (gui::Rgb{17, 17, 17}));
    save();
    EXPECT_NE(saved().find("[Плейлист]\r\nFile0 = 2\r\nTitle0 = два\r\nFile1 = 3\r\nTitle1 = три\r\n"
                           "File2 = 4\r\nTitle2 = четыре\r\n"),
              std::string::npos)
        << saved();

    loadPlaylist();  // fresh rows, none selected
    ASSERT_EQ(gui::listSelectedRow(ctl::PlaylistList), -1);
    deletePlaylistEntry();
    EXPECT_EQ(gui::listRowCount(ctl::PlaylistList), 3) << "no selection deletes nothing";
    EXPECT_EQ(appState.playlistEntries.size(), 3u);
}

TEST_F(PlaylistTest, PlayThenAppendPlaysTheNewRow) {
    writeList("File0 = 1\r\nTitle0 = один\r\nFile1 = 2\r\nTitle1 = два\r\nFile2 = 3\r\nTitle2 = три\r\n");
    loadPlaylist();
    gui::listSelectRow(ctl::PlaylistList, 1);
    appState.advanceResults = 1;
    playPlaylistEntry();
    EXPECT_EQ(appState.playlistIndex, 1);
    EXPECT_EQ(appState.nowPlayingText, "два");
    EXPECT_EQ(appState.advanceResults, 0);
    EXPECT_EQ(appState.advancePlaylist, 1);

    appendPlaylistEntry({"4", "новая"});
    gui::listSelectRow(ctl::PlaylistList, 3);
    playPlaylistEntry();
    EXPECT_EQ(appState.playlistIndex, 3);
    EXPECT_EQ(appState.nowPlayingText, "новая");
    save();
    EXPECT_NE(saved().find("File3 = 4\r\nTitle3 = новая\r\n"), std::string::npos);
}

// A save that could not be stored says so instead of announcing success.
TEST_F(PlaylistTest, ReadOnlyFileIsNotWrittenAndTheUserIsWarned) {
    writeList("File0 = 1\r\nTitle0 = один\r\n");
    const std::string before = readFile("inet_radio.pls");
    ::chmod("inet_radio.pls", 0444);
    loadPlaylist();
    appendPlaylistEntry({"2", "два"});
    save();
    EXPECT_EQ(readFile("inet_radio.pls"), before);
    ASSERT_EQ(gui::shownMessageBoxes().size(), 1u);
    EXPECT_EQ(gui::shownMessageBoxes()[0].caption, "Внимание !");
    EXPECT_NE(gui::shownMessageBoxes()[0].text, "Запись создана !");
}

// Without the file the playlist would be lost at exit: the save creates it,
// and an entry with no address is never added (its empty key would end the
// next load there and lose every later entry).
TEST_F(PlaylistTest, MissingFileIsCreatedAndEntriesWithoutAddressAreNotAdded) {
    loadPlaylist();
    appendPlaylistEntry({"1", "один"});
    appendPlaylistEntry({"", "пусто"});
    appendPlaylistEntry({"  ", "пробелы"});
    appendPlaylistEntry({"3", "три"});
    EXPECT_EQ(rows(ctl::PlaylistList), (std::vector<std::string>{"один", "три"}));
    save();
    EXPECT_EQ(saved(), "[Плейлист]\r\nFile0 = 1\r\nTitle0 = один\r\nFile1 = 3\r\nTitle1 = три\r\n");
    EXPECT_EQ(messages(), std::vector<std::string>{"Запись создана !"});
    loadPlaylist();
    EXPECT_EQ(appState.playlistEntries.size(), 2u);
}

TEST_F(PlaylistTest, EmptyListRemovesTheGroupAndStillReports) {
    writeList("File0 = 1\r\nTitle0 = один\r\n");
    loadPlaylist();
    gui::listSelectRow(ctl::PlaylistList, 0);
    deletePlaylistEntry();
    save();
    EXPECT_EQ(saved(), "[Рок]\r\nFile1 = http://rock/\r\n[История]\r\nFile0 = q\r\n");
    EXPECT_EQ(messages(), std::vector<std::string>{"Запись создана !"});
}

TEST_F(PlaylistTest, EditorOpensOnlyOverRows) {
    openPlaylistEditor();
    EXPECT_FALSE(gui::windowExists(win::PlaylistEditWindow))
        << "a right click on an empty list opens nothing";
    appendPlaylistEntry({"1", "один"});
    openPlaylistEditor();
    ASSERT_TRUE(gui::windowExists(win::PlaylistEditWindow));
    EXPECT_EQ(gui::windowTitle(win::PlaylistEditWindow), "Редактирование плейлиста");
    EXPECT_EQ(gui::text(ctl::SaveButton), "Сохранить");
}

}  // namespace
