// The music search: query, scraping, result rows, history, browser.
#pragma once

#include <string>

// A query of blanks only searches nothing: a warning box, and the list,
// the results and the last query stay as they were.
void runSearch();
enum class SearchOutcome { Found, NothingFound, SiteDown };
// Replaces `searchResults` and empties the list; SiteDown when no page came.
SearchOutcome fetchSearchResults(const std::string& query);
std::string resultLabel(int index, const std::string& display);
void addResultToPlaylist();
void openSearchInBrowser();
void showHistoryDropdown();  // right click on SearchButton
void takeHistoryItem();      // any event of HistoryCombo
