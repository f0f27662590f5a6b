// The playlist: loading, changing, saving, and the editor window.
#include "library/playlist.h"

#include <sys/stat.h>

#include "app/next_track.h"
#include "library/stations.h"
#include "library_fixture.h"
#include "platform/gui/gui_testing.h"
#include "platform/text/cp1251.h"
#include "state/app_state.h"
#include "support/small_disk.h"
#include "support/temp_dir.h"
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

TEST_F(PlaylistTest, AFullDiskKeepsTheFileAndSaysWhy) {
    testsupport::SmallDisk disk(5);
    if (!disk.mounted()) GTEST_SKIP() << "cannot mount a small file system here";
    testsupport::ScopedCwd cwd(disk.path());
    // 3 MB of stations: the new file cannot fit beside the old one.
    writeList("File0 = 1\r\nTitle0 = один\r\n[Архив]\r\nFile0 = " + std::string(3 << 20, 'x') + "\r\n");
    const std::string before = readFile("inet_radio.pls");
    loadPlaylist();
    appendPlaylistEntry({"2", "два"});
    save();
    EXPECT_EQ(readFile("inet_radio.pls"), before);
    EXPECT_EQ(listFolder("."), "inet_radio.pls");
    EXPECT_EQ(messages(), std::vector<std::string>{"Плейлист не сохранён: на диске нет места."});
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

// No character is lost: a file whose text all fits stays Windows-1251 (the
// tests above), the first title that does not turns the whole file into
// UTF-8 with the byte-order mark, and its stations still read. A playlist
// stored in the single-byte form of a file with the mark (as the byte
// operations write it) reads as it was meant and is replaced, not doubled,
// by a save.
TEST_F(PlaylistTest, TitlesInAnyScriptSurviveSaveAndLoad) {
    writeList("File0 = http://a/\r\nTitle0 = Кино\r\n");
    loadPlaylist();
    const std::vector<std::string> titles = {"Кино", "Ärger über Straße", "Ελληνικά", "Sunny 🌞 Day"};
    for (size_t i = 1; i < titles.size(); ++i)
        appendPlaylistEntry({"http://t/" + std::to_string(i), titles[i]});
    save();
    EXPECT_EQ(readFile("inet_radio.pls").substr(0, 5), "\xEF\xBB\xBF\r\n");
    loadPlaylist();
    EXPECT_EQ(rows(ctl::PlaylistList), titles);
    gui::listSelectRow(ctl::StyleList, 15);  // "Рок"
    chooseStyle();
    ASSERT_EQ(appState.stationEntries.size(), 1u);
    EXPECT_EQ(appState.stationEntries[0].file, "http://rock/");

    // Each Windows-1251 byte as the character of that number.
    auto singleByte = [](const std::string& utf8) {
        std::string out;
        for (unsigned char b : cp(utf8)) {
            if (b >= 0x80) out += char(0xC0 | (b >> 6));
            out += char(b >= 0x80 ? 0x80 | (b & 0x3F) : b);
        }
        return out;
    };
    writeFile("inet_radio.pls", "\xEF\xBB\xBF\r\n[" + singleByte("Плейлист") +
                                    "]\r\nFile0 = http://a/\r\nTitle0 = " + singleByte("Кино") + "\r\n");
    loadPlaylist();
    EXPECT_EQ(rows(ctl::PlaylistList), std::vector<std::string>{"Кино"});
    appendPlaylistEntry({"http://t/", "🌞"});
    save();
    EXPECT_EQ(readFile("inet_radio.pls"),
              "\xEF\xBB\xBF\r\n[Плейлист]\r\nFile0 = http://a/\r\nTitle0 = Кино\r\n"
              "File1 = http://t/\r\nTitle1 = 🌞\r\n");
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
