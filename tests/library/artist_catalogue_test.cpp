// The artist index: import through "файлы/name.pls", the three columns and
// their heights, and choosing a name.
#include "library/artist_catalogue.h"

#include <sys/stat.h>

#include "library_fixture.h"
#include "platform/gui/gui_testing.h"
#include "ui/ids.h"

namespace {

class ArtistCatalogueTest : public LibraryTest {
  protected:
    void SetUp() override {
        LibraryTest::SetUp();
        ::mkdir("файлы", 0755);
        openArtistIndex();
    }
    static void writeNames(const std::string& letter, const std::string& utf8Lines) {
        writeFile("файлы/" + letter + ".txt", cp(utf8Lines));
    }
    static std::vector<std::string> names(int n) {
        std::vector<std::string> out;
        for (int i = 1; i <= n; ++i) out.push_back("Имя " + std::to_string(i));
        return out;
    }
    static std::string lines(const std::vector<std::string>& names, const char* end = "\r\n") {
        std::string out;
        for (const auto& n : names) out += n + end;
        return out;
    }
    static std::vector<std::string> slice(const std::vector<std::string>& v, size_t from, size_t to) {
        return {v.begin() + long(from), v.begin() + long(to)};
    }
    static int height(int list) { return gui::controlRect(list).h; }
};

TEST_F(ArtistCatalogueTest, WindowOpensWithEmptyColumns) {
    ASSERT_TRUE(gui::windowExists(win::ArtistIndexWindow));
    EXPECT_EQ(gui::windowTitle(win::ArtistIndexWindow), "Список имён исполнителей:");
    EXPECT_EQ(gui::listRowCount(ctl::ArtistList1), 0);
    EXPECT_EQ(gui::text(ctl::ArtistNameField), "");
}

TEST_F(ArtistCatalogueTest, NamesSplitByAThirdWithTheRestInTheLastColumn) {
    const auto ten = names(10);
    writeNames("к", lines(ten));
    loadArtistLetter("к");
    EXPECT_EQ(rows(ctl::ArtistList1), slice(ten, 0, 3));
    EXPECT_EQ(rows(ctl::ArtistList2), slice(ten, 3, 6));
    EXPECT_EQ(rows(ctl::ArtistList3), slice(ten, 6, 10));
    for (int list : {ctl::ArtistList1, ctl::ArtistList2, ctl::ArtistList3}) EXPECT_EQ(height(list), 170);
    EXPECT_EQ(gui::controlRect(ctl::ArtistList2).x, 260) << "position and width are kept";
    EXPECT_EQ(gui::controlRect(ctl::ArtistList2).w, 250);

    writeNames("л", "Первый\nВторой");  // LF ends, no end on the last line
    loadArtistLetter("л");
    EXPECT_TRUE(rows(ctl::ArtistList1).empty());
    EXPECT_TRUE(rows(ctl::ArtistList2).empty());
    EXPECT_EQ(rows(ctl::ArtistList3), (std::vector<std::string>{"Первый", "Второй"}));
    EXPECT_EQ(height(ctl::ArtistList1), 80);
}

TEST_F(ArtistCatalogueTest, BlankNameStopsOnlyItsOwnColumn) {
    auto twelve = names(12);
    twelve[4] = "";
    writeNames("м", lines(twelve, "\r"));
    loadArtistLetter("м");
    EXPECT_EQ(rows(ctl::ArtistList1), slice(twelve, 0, 4));
    EXPECT_TRUE(rows(ctl::ArtistList2).empty());
    EXPECT_EQ(rows(ctl::ArtistList3), slice(twelve, 8, 12));
    EXPECT_EQ(height(ctl::ArtistList3), 200);
}

TEST_F(ArtistCatalogueTest, NamesAreTrimmedAndFormatMarksKept) {
    writeNames("н", "  Наутилус\t\r\n;Точка с запятой\r\n[Скобка]\r\n");
    loadArtistLetter("н");
    EXPECT_EQ(rows(ctl::ArtistList1), std::vector<std::string>{"Наутилус"});
    EXPECT_EQ(rows(ctl::ArtistList2), std::vector<std::string>{";Точка с запятой"});
    EXPECT_EQ(rows(ctl::ArtistList3), std::vector<std::string>{"[Скобка]"});
}

TEST_F(ArtistCatalogueTest, StoreKeepsOneGroupPerLetterInOrderOfLastUse) {
    writeNames("a", "ABBA\r\n");
    writeNames("а", "Алиса\r\n");
    loadArtistLetter("a");
    EXPECT_EQ(rows(ctl::ArtistList3), std::vector<std::string>{"ABBA"});
    loadArtistLetter("а");
    EXPECT_EQ(rows(ctl::ArtistList3), std::vector<std::string>{"Алиса"})
        << "Latin and Cyrillic letters apart";
    writeNames("a", "AC/DC\r\nAdele\r\n");
    loadArtistLetter("a");
    EXPECT_EQ(rows(ctl::ArtistList3), (std::vector<std::string>{"AC/DC", "Adele"}));
    EXPECT_EQ(readFile("файлы/name.pls"),
              cp("[а]\r\nTitle0 = Алиса\r\n[a]\r\nTitle0 = AC/DC\r\nTitle1 = Adele\r\n"));
}

TEST_F(ArtistCatalogueTest, MissingLetterFileEmptiesColumnsAndWritesNothing) {
    writeNames("б", lines(names(9)));
    loadArtistLetter("б");
    ASSERT_EQ(gui::listRowCount(ctl::ArtistList1), 3);
    loadArtistLetter("в");
    EXPECT_EQ(gui::listRowCount(ctl::ArtistList1) + gui::listRowCount(ctl::ArtistList3), 0);
    EXPECT_EQ(height(ctl::ArtistList2), 80);
    std::string stored = "[б]\r\n";
    for (int i = 0; i < 9; ++i)
        stored += "Title" + std::to_string(i) + " = Имя " + std::to_string(i + 1) + "\r\n";
    EXPECT_EQ(readFile("файлы/name.pls"), cp(stored)) << "the missing letter changed nothing";
}

TEST_F(ArtistCatalogueTest, MissingFolderShowsNothingAndCreatesNothing) {
    ::rmdir("файлы");
    loadArtistLetter("к");
    EXPECT_EQ(gui::listRowCount(ctl::ArtistList3), 0);
    EXPECT_EQ(height(ctl::ArtistList1), 80);
    EXPECT_EQ(listFolder("."), "");
}

// The store is only a copy: when it cannot be written the names still show.
TEST_F(ArtistCatalogueTest, ReadOnlyStoreStillShowsTheNames) {
    writeFile("файлы/name.pls", "");
    ::chmod("файлы/name.pls", 0444);
    writeNames("д", lines(names(3)));
    loadArtistLetter("д");
    EXPECT_EQ(rows(ctl::ArtistList1), std::vector<std::string>{"Имя 1"});
    EXPECT_EQ(rows(ctl::ArtistList3), std::vector<std::string>{"Имя 3"});
    EXPECT_EQ(readFile("файлы/name.pls"), "");
}

TEST_F(ArtistCatalogueTest, ChoosingANameFillsBothFields) {
    writeNames("к", "Кино\r\nКорни\r\nКар-Мэн\r\n");
    loadArtistLetter("к");
    gui::listSelectRow(ctl::ArtistList2, 0);
    chooseArtist(ctl::ArtistList2);
    EXPECT_EQ(gui::text(ctl::ArtistNameField), "Корни");
    EXPECT_EQ(gui::text(ctl::SearchField), "Корни");
    ASSERT_EQ(gui::listSelectedRow(ctl::ArtistList1), -1);
    chooseArtist(ctl::ArtistList1);
    EXPECT_EQ(gui::text(ctl::SearchField), "") << "no selection copies the empty text";
}

}  // namespace
