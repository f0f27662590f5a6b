// Entry points whose behaviour is not built yet: each does nothing.
#include "online/search.h"

void runSearch() {}
void fetchSearchResults(const std::string&) {}
std::string resultLabel(int, const std::string&) {
    return {};
}
void addResultToPlaylist() {}
void openSearchInBrowser() {}
void showHistoryDropdown() {}
void takeHistoryItem() {}
