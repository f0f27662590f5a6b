// The music search on the UI thread: the query from SearchField, the page
// fetch (which holds the window for at least a second), the scraped results
// in `searchResults` and their rows, the history, and the site in the
// user's browser. Writes to `searchResults` take `listsMutex`, since the
// download worker copies from it.
#include "online/search.h"

#include <cctype>
#include <cstdlib>

#include "library/playlist.h"
#include "online/connectivity.h"
#include "online/scrape.h"
#include "online/search_query.h"
#include "online/site_link.h"
#include "platform/gui/gui.h"
#include "platform/shell/shell.h"
#include "state/addresses.h"
#include "state/app_state.h"
#include "state/texts.h"
#include "ui/ids.h"
#include "ui/register.h"

namespace {

bool blank(const std::string& typed) {
    return typed.find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

void runSearch() {
    std::string typed = gui::text(ctl::SearchField);
    // Nothing to search: the list, the results the advance follows and the
    // last query all stay as they are.
    if (blank(typed)) {
        gui::messageBox(win::MainWindow, texts::kSearchWarningCaption, texts::kEmptyQuery, gui::Icon::None);
        return;
    }
    appState.lastQuery = encodeQuery(typed);
    appState.statusNotice.clear();
    const SearchOutcome outcome = fetchSearchResults(appState.lastQuery);
    // A failed search and an empty one look alike in the list: the strip tells them apart.
    if (outcome == SearchOutcome::SiteDown)
        appState.statusNotice = texts::kSiteDown;
    else if (outcome == SearchOutcome::NothingFound)
        appState.statusNotice = texts::kNothingFound;

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

SearchOutcome fetchSearchResults(const std::string& query) {
    {
        std::lock_guard lock(appState.listsMutex);
        appState.searchResults.clear();
    }
    gui::listClear(ctl::SearchResultsList);
    std::optional<std::string> page = fetchPageText(searchAddress(musicSiteBase(), query));
    if (!page) return SearchOutcome::SiteDown;
    std::vector<SearchResult> results = scrapeResults(*page);
    const SearchOutcome outcome = results.empty() ? SearchOutcome::NothingFound : SearchOutcome::Found;
    std::lock_guard lock(appState.listsMutex);
    appState.searchResults = std::move(results);
    return outcome;
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
