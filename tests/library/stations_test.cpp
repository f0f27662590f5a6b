// The station list by style and the search history.
#include "library/stations.h"

#include "app/next_track.h"
#include "library/key_value_file.h"
#include "library_fixture.h"
#include "platform/gui/gui_testing.h"
#include "state/app_state.h"
#include "ui/ids.h"

namespace {

using StationsTest = LibraryTest;

void writeStations(const std::string& utf8) {
    writeFile("inet_radio.pls", cp(utf8));
}

void chooseStyleRow(int row) {
    gui::listSelectRow(ctl::StyleList, row);
    chooseStyle();
}

TEST_F(StationsTest, StyleListHoldsTheTwentyTwoStylesStriped) {
    const auto styles = rows(ctl::StyleList);
    ASSERT_EQ(styles.size(), 22u);
    EXPECT_EQ(styles[0], "Biues & rock");
    EXPECT_EQ(styles[15], "Рок");
    EXPECT_EQ(styles[21], "Всё подряд");
    EXPECT_EQ(gui::listRowBackground(ctl::StyleList, 21), (gui::Rgb{17, 17, 17}));
}

TEST_F(StationsTest, StationsCountFromOneUntilTheFirstMissingFile) {
    writeStations(
        "[Рок]\r\nFile1 = http://a/\r\nTitle1 = Первая\r\nFile2 = http://b/\r\nTitle2 = Вторая\r\n"
        "File4 = http://d/\r\nTitle4 = Четвёртая\r\n"
        "[Jazz]\r\nFile0 = http://zero/\r\nTitle0 = Ноль\r\n");
    chooseStyleRow(15);
    EXPECT_EQ(appState.currentStyle, "Рок");
    EXPECT_EQ(rows(ctl::StationList), (std::vector<std::string>{"Первая", "Вторая"}));
    ASSERT_EQ(appState.stationEntries.size(), 2u);
    EXPECT_EQ(appState.stationEntries[1].file, "http://b/");
    EXPECT_EQ(gui::listRowBackground(ctl::StationList, 1), (gui::Rgb{17, 17, 17}));

    chooseStyleRow(15);
    EXPECT_EQ(gui::listRowCount(ctl::StationList), 2) << "choosing again rebuilds without duplicates";

    chooseStyleRow(4);  // Jazz: File0 alone is no station
    EXPECT_EQ(gui::listRowCount(ctl::StationList), 0);
    EXPECT_TRUE(appState.stationEntries.empty());
}

TEST_F(StationsTest, GroupNamesMatchIgnoringOnlyAsciiCase) {
    writeStations("[jazz]\r\nFile1 = j\r\nTitle1 = J\r\n[рок]\r\nFile1 = r\r\nTitle1 = R\r\n");
    chooseStyleRow(4);
    EXPECT_EQ(rows(ctl::StationList), std::vector<std::string>{"J"});
    chooseStyleRow(15);
    EXPECT_EQ(gui::listRowCount(ctl::StationList), 0);
}

TEST_F(StationsTest, PlayingAStationNamesStyleAndRow) {
    writeStations("[Рок]\r\nFile1 = http://a/\r\nTitle1 = Первая\r\nFile2 = http://b/\r\n");
    chooseStyleRow(15);
    EXPECT_EQ(rows(ctl::StationList), (std::vector<std::string>{"Первая", ""})) << "a missing title is empty";

    appState.nowPlayingText = "before";
    ASSERT_EQ(gui::listSelectedRow(ctl::StationList), -1);
    playStation();
    EXPECT_EQ(appState.nowPlayingText, "before") << "no selection plays nothing";

    appState.advanceResults = 1;
    gui::listSelectRow(ctl::StationList, 1);
    playStation();
    EXPECT_EQ(appState.nowPlayingText, "Стиль: Рок        Станция:    ");
    gui::listSelectRow(ctl::StationList, 0);
    playStation();
    EXPECT_EQ(appState.nowPlayingText, "Стиль: Рок        Станция:    Первая");
    EXPECT_EQ(appState.advanceResults, 0);
    EXPECT_EQ(appState.advancePlaylist, 1);
}

TEST_F(StationsTest, HistoryTakesAtMostFiftyOneQueries) {
    std::string history = "[История]\r\n";
    for (int n = 0; n < 60; ++n)
        history += "File" + std::to_string(n) + " = запрос " + std::to_string(n) + "\r\n";
    writeStations(history);
    loadHistory();
    ASSERT_EQ(gui::comboItemCount(ctl::HistoryCombo), 51);
    EXPECT_EQ(gui::comboItemText(ctl::HistoryCombo, 0), "запрос 0");
    EXPECT_EQ(gui::comboItemText(ctl::HistoryCombo, 50), "запрос 50");
    EXPECT_EQ(readFile("inet_radio.pls"), cp(history)) << "reading never writes";

    // Searches of this run: at exit the last 51 that are not blank replace
    // the group, oldest first, as the next start reads them.
    for (const char* query : {"новый", "", "  ", "Ärger 🎵"}) gui::comboAddItem(ctl::HistoryCombo, query);
    ASSERT_TRUE(saveHistory());
    ASSERT_TRUE(keyValueFile.open("inet_radio.pls"));
    ASSERT_TRUE(keyValueFile.selectGroupText("История"));
    EXPECT_EQ(keyValueFile.readText("File0"), "запрос 2");
    EXPECT_EQ(keyValueFile.readText("File48"), "запрос 50");
    EXPECT_EQ(keyValueFile.readText("File49"), "новый");
    EXPECT_EQ(keyValueFile.readText("File50"), "Ärger 🎵");
    EXPECT_EQ(keyValueFile.readText("File51", "none"), "none");
    keyValueFile.close();
}

TEST_F(StationsTest, MissingFileLeavesListsEmptyAndCreatesNothing) {
    loadHistory();
    chooseStyleRow(15);
    EXPECT_TRUE(saveHistory()) << "no search made: nothing to write";
    EXPECT_EQ(gui::comboItemCount(ctl::HistoryCombo), 0);
    EXPECT_EQ(gui::listRowCount(ctl::StationList), 0);
    EXPECT_EQ(listFolder("."), "");
    EXPECT_TRUE(messages().empty());
}

}  // namespace
