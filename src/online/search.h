// The music search: query, scraping, result rows, history, browser.
#pragma once

#include <string>

void runSearch();
void fetchSearchResults(const std::string& query);
std::string resultLabel(int index, const std::string& display);
void addResultToPlaylist();
void openSearchInBrowser();
void showHistoryDropdown();  // right click on SearchButton
void takeHistoryItem();      // any event of HistoryCombo
