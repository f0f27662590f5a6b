// The music search on the UI thread: the query from SearchField, the page
// fetch (which holds the window for at least a second), the scraped results
// in `searchResults` and their rows, the history, and the site in the
// user's browser. Writes to `searchResults` take `listsMutex`, since the
// download worker copies from it.
#include "online/search.h"

#include <cctype>
#include <cstdlib>

#include "app/addresses.h"
#include "app/app_state.h"
#include "library/playlist.h"
#include "online/connectivity.h"
#include "online/scrape.h"
#include "online/search_query.h"
#include "online/site_link.h"
#include "platform/gui/gui.h"
#include "platform/shell/shell.h"
#include "ui/ids.h"
#include "ui/register.h"

void runSearch() {
    std::string typed = gui::text(ctl::SearchField);
    appState.lastQuery = encodeQuery(typed);
    if (appState.lastQuery.empty())
        gui::messageBox(win::MainWindow, "Внимание!", "Поисковый запрос не определен ?", gui::Icon::None);
    else
        fetchSearchResults(appState.lastQuery);

    // After a fetch the list is empty; after an empty query the rows of the
    // last search are appended once more behind those already shown.
    std::vector<SearchResult> results;
    {
        std::lock_guard lock(appState.listsMutex);
        results = appState.searchResults;
    }
    for (size_t i = 0; i < results.size(); ++i)
        gui::listAddRow(ctl::SearchResultsList, resultLabel(static_cast<int>(i), results[i].display),
                        img::AddIconImage);
    StripeList(ctl::SearchResultsList);
    gui::comboAddItem(ctl::HistoryCombo, typed);
}

void fetchSearchResults(const std::string& query) {
    {
        std::lock_guard lock(appState.listsMutex);
        appState.searchResults.clear();
    }
    gui::listClear(ctl::SearchResultsList);
    std::optional<std::string> page = fetchPageText(searchAddress(musicSiteBase(), query));
    if (!page) return;
    std::vector<SearchResult> results = scrapeResults(*page);
    std::lock_guard lock(appState.listsMutex);
    appState.searchResults = std::move(results);
}

std::string resultLabel(int index, const std::string& display) {
    return std::to_string(index) + ".   " + display;
}

void addResultToPlaylist() {
    int row = gui::listSelectedRow(ctl::SearchResultsList);
    if (row < 0) return;
    // The row's number is read back from its label: its first two characters
    // without points and spaces.
    std::string head = gui::listRowText(ctl::SearchResultsList, row).substr(0, 2);
    std::string digits;
    for (char c : head)
        if (c != '.' && c != ' ') digits += c;
    if (digits.empty() || !std::isdigit(static_cast<unsigned char>(digits[0]))) return;
    int n = std::atoi(digits.c_str());

    StationEntry entry;
    {
        std::lock_guard lock(appState.listsMutex);
        if (n >= static_cast<int>(appState.searchResults.size())) return;  // a row of no result
        // The playlist keeps a playable address: a relative link is made
        // absolute now, while the site it came from is known.
        entry =
            StationEntry{resolveSiteLink(appState.searchResults[n].link), appState.searchResults[n].title};
    }
    appState.currentIndex = n;
    appendPlaylistEntry(entry);
}

void openSearchInBrowser() {
    std::string base = musicSiteBase();
    if (gui::listRowCount(ctl::SearchResultsList) > 0)
        shell::openInBrowser(searchAddress(base, appState.lastQuery));
    else
        shell::openInBrowser(base);
}

void showHistoryDropdown() {
    gui::comboShowDropdown(ctl::HistoryCombo);
}

void takeHistoryItem() {
    gui::setText(ctl::SearchField, gui::comboText(ctl::HistoryCombo));
}
