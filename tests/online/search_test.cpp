// The search as the user drives it: the address sent, the rows, the history,
// the empty query, no connection, the add icon and the site in the browser.
#include "online/search.h"

#include <gtest/gtest.h>

#include "main_window_fixture.h"
#include "platform/shell/shell.h"
#include "platform/text/cp1251.h"
#include "state/app_state.h"
#include "support/temp_dir.h"
#include "test_site_fixture.h"
#include "ui/ids.h"

using namespace onlinetest;
using namespace std::chrono_literals;

namespace {

// "search.php" answers with as many results as the query's first number
// (default 3), titled in Cyrillic, in Windows-1251 without a declared charset.
TestSite& site() {
    static TestSite s([](httplib::Server& server) {
        server.Get("/search.php", [](const httplib::Request& req, httplib::Response& res) {
            int count = std::atoi(req.get_param_value("q").c_str());
            std::string page = "<html><body>";
            if (req.get_param_value("q") == "none") count = -1;  // a page without results
            for (int n = 1; n <= (count != 0 ? count : 3); ++n)
                page += std::to_string(n) + ". <a href=\"/f/" + std::to_string(n) + ".mp3\">" +
                        text::toCp1251("Кино - Песня " + std::to_string(n)) + "</a> 3:20 128 kbit/s<BR>\r\n";
            res.set_content(page, "text/html");
        });
    });
    return s;
}

class Search : public MainWindowTest {
  protected:
    ScopedEnv siteAddress{"KESTREL_SITE_URL", site().base()};

    void search(const std::string& typed) {
        gui::setText(ctl::SearchField, typed);
        runSearch();
    }
    std::string lastQuerySeen() { return site().requests().back().query; }
    std::string lastTargetSeen() { return site().requests().back().target; }
};

}  // namespace

TEST_F(Search, FillsTheNumberedRowsAndTheHistory) {
    search("Depeche Mode Remix");
    EXPECT_EQ(lastTargetSeen(), "/search.php?p=1&v=0&q=Depeche+Mode+Remix&x=32&y=15");
    EXPECT_EQ(lastQuerySeen(), "Depeche Mode Remix");
    EXPECT_EQ(appState.lastQuery, "Depeche+Mode+Remix");

    auto rows = rowTexts(ctl::SearchResultsList);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], "0.   Кино - Песня 1    3:20 128 kbit/s");
    EXPECT_EQ(rows[2], "2.   Кино - Песня 3    3:20 128 kbit/s");
    EXPECT_EQ(gui::listRowIcon(ctl::SearchResultsList, 1), img::AddIconImage);
    EXPECT_EQ(gui::listRowBackground(ctl::SearchResultsList, 1), (gui::Rgb{17, 17, 17}));
    ASSERT_EQ(appState.searchResults.size(), 3u);
    EXPECT_EQ(appState.searchResults[0].link, "/f/1.mp3");
    EXPECT_EQ(appState.searchResults[0].title, "Кино - Песня 1");

    search("Depeche Mode Remix");
    EXPECT_EQ(rowTexts(ctl::SearchResultsList).size(), 3u);  // replaced, not appended
    ASSERT_EQ(gui::comboItemCount(ctl::HistoryCombo), 2);
    EXPECT_EQ(gui::comboItemText(ctl::HistoryCombo, 1), "Depeche Mode Remix");
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Search, TheServerReceivesWindows1251AndEveryTypedCharacter) {
    search("Кино");
    EXPECT_EQ(lastQuerySeen(), "\xCA\xE8\xED\xEE");
    search("AC&DC #1 100% C++");
    EXPECT_EQ(lastQuerySeen(), "AC&DC #1 100% C++");
    search(" 2  ");
    EXPECT_EQ(lastTargetSeen(), "/search.php?p=1&v=0&q=+2++&x=32&y=15");
}

// Nothing to search leaves the last results as they were: no rows twice, no
// advance past the last real one, the browser still on the last query.
TEST_F(Search, AnEmptyOrBlankQueryWarnsAndLeavesTheListAsItWas) {
    search("3");
    size_t requests = site().requests().size();
    for (const char* blank : {"", "   "}) {
        search(blank);
        EXPECT_EQ(site().requests().size(), requests);
        EXPECT_EQ(rowTexts(ctl::SearchResultsList).size(), 3u);
        EXPECT_EQ(appState.searchResults.size(), 3u);
        EXPECT_EQ(appState.lastQuery, "3");
    }
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[0].caption, "Внимание!");
    EXPECT_EQ(boxes()[0].text, "Поисковый запрос не определен ?");
    EXPECT_EQ(boxes()[0].icon, gui::Icon::None);
    EXPECT_EQ(gui::comboItemCount(ctl::HistoryCombo), 1);
}

// A dead site and a search without results both leave an empty list; the
// status strip tells them apart. No box either way.
TEST_F(Search, TheStripSaysWhenTheSiteIsDownOrNothingWasFound) {
    search("none");
    EXPECT_EQ(gui::listRowCount(ctl::SearchResultsList), 0);
    EXPECT_EQ(appState.statusNotice, "Ничего не найдено");
    search("3");
    EXPECT_EQ(appState.statusNotice, "");
    ScopedEnv deadSite("KESTREL_SITE_URL", "http://127.0.0.1:" + std::to_string(closedPort()) + "/");
    search("Depeche Mode");
    EXPECT_EQ(gui::listRowCount(ctl::SearchResultsList), 0);
    EXPECT_TRUE(appState.searchResults.empty());
    EXPECT_EQ(appState.statusNotice, "Сайт поиска не отвечает");
    EXPECT_TRUE(boxes().empty());
}

TEST_F(Search, TheAddIconAppendsTheResultOfTheRowsNumber) {
    search("50");
    for (int row : {7, 42}) {
        gui::listSelectRow(ctl::SearchResultsList, row);
        addResultToPlaylist();
        EXPECT_EQ(appState.currentIndex, row);
    }
    ASSERT_EQ(appState.playlistEntries.size(), 2u);
    EXPECT_EQ(appState.playlistEntries[0].title, "Кино - Песня 8");
    EXPECT_EQ(appState.playlistEntries[0].file, site().base() + "f/8.mp3");
    EXPECT_EQ(appState.playlistEntries[1].title, "Кино - Песня 43");
    EXPECT_EQ(gui::listRowCount(ctl::PlaylistList), 2);
}

TEST_F(Search, TheSiteOpensInTheBrowserWithTheLastQuery) {
    std::vector<std::string> opened;
    shell::setOpener([&](const std::string& address) { opened.push_back(address); });
    openSearchInBrowser();
    search("Кино 5");
    openSearchInBrowser();
    shell::setOpener(nullptr);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], site().base());
    EXPECT_EQ(opened[1], site().base() + "search.php?p=1&v=0&q=%CA%E8%ED%EE+5&x=32&y=15");
}

TEST_F(Search, HistoryItemsFillTheSearchField) {
    gui::comboAddItem(ctl::HistoryCombo, "Кино");
    showHistoryDropdown();
    takeHistoryItem();
    EXPECT_EQ(gui::text(ctl::SearchField), gui::comboText(ctl::HistoryCombo));
}

TEST(Shell, OpensTheAddressWithXdgOpen) {
    testsupport::TempDir dir;
    testsupport::writeFile(dir / "xdg-open",
                           "#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/opened.part\"\n"
                           "mv \"$(dirname \"$0\")/opened.part\" \"$(dirname \"$0\")/opened\"\n");
    std::filesystem::permissions(dir / "xdg-open", std::filesystem::perms::owner_all);
    ScopedEnv path("PATH", dir.str() + ":" + std::getenv("PATH"));
    const std::string address = "http://127.0.0.1:1/search.php?q=a+b&x=\"$(touch pwned)\"";
    EXPECT_TRUE(shell::openInBrowser(address));
    for (int i = 0; i < 200 && !std::filesystem::exists(dir / "opened"); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(testsupport::readFile(dir / "opened"), address);
    EXPECT_FALSE(std::filesystem::exists("pwned"));
}
