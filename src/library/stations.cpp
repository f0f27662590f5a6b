// Radio stations by style and the search history, read from "inet_radio.pls".
#include "library/stations.h"

#include <string>
#include <vector>

#include "library/key_value_file.h"
#include "library/station_file.h"
#include "platform/gui/gui.h"
#include "state/app_state.h"
#include "ui/ids.h"
#include "ui/register.h"

const std::array<std::string_view, 22> kStyles = {
    "Biues & rock", "Classic FM",  "Dance Pop", "DNB",          "Jazz",    "RnB",        "Русское", "Tehno",
    "Без стиля",    "Електронная", "Классика",  "Музыка стран", "Новости", "Релаксация", "Ретро",   "Рок",
    "Танцевальная", "Хиты 80-х",   "Шансон",    "Эротика",      "Юмор",    "Всё подряд"};

namespace {

constexpr int kHistorySize = 51;  // File0 .. File50
constexpr const char* kHistoryGroup = "История";

int historyItemsLoaded = 0;  // rows of HistoryCombo that came from the file

}  // namespace

void loadHistory() {
    historyItemsLoaded = gui::comboItemCount(ctl::HistoryCombo);
    if (!keyValueFile.open(kStationFile)) {
        keyValueFile.close();
        return;
    }
    for (int n = 0; n < kHistorySize; ++n) {
        keyValueFile.selectGroupText(kHistoryGroup);
        const std::string query = keyValueFile.readText(fileKey(n));
        if (query.empty()) break;
        gui::comboAddItem(ctl::HistoryCombo, query);
    }
    keyValueFile.close();
    historyItemsLoaded = gui::comboItemCount(ctl::HistoryCombo);
}

bool saveHistory() {
    const int count = gui::comboItemCount(ctl::HistoryCombo);
    if (count <= historyItemsLoaded) return true;
    // The newest searches are the last rows; a blank one would end the list
    // where the next start reads it.
    std::vector<std::string> queries;
    for (int i = count - 1; i >= 0 && static_cast<int>(queries.size()) < kHistorySize; --i) {
        std::string query = gui::comboItemText(ctl::HistoryCombo, i);
        if (query.find_first_not_of(" \t") != std::string::npos) queries.push_back(std::move(query));
    }
    keyValueFile.open(kStationFile);
    keyValueFile.removeGroupText(kHistoryGroup);
    keyValueFile.selectGroupText(kHistoryGroup);
    for (size_t n = 0; n < queries.size(); ++n)
        keyValueFile.writeText(fileKey(static_cast<int>(n)), queries[queries.size() - 1 - n]);
    const bool stored = keyValueFile.close();
    if (stored) historyItemsLoaded = count;
    return stored;
}

void fillStyleList() {
    for (std::string_view style : kStyles) gui::listAddRow(ctl::StyleList, std::string(style), 0);
    StripeList(ctl::StyleList);
}

void loadStations() {
    appState.stationEntries.clear();
    gui::listClear(ctl::StationList);
    if (!keyValueFile.open(kStationFile)) {
        keyValueFile.close();
        return;
    }
    // A style without a group reads as empty.
    keyValueFile.selectGroupText(appState.currentStyle);
    for (int n = 1;; ++n) {
        std::string file = keyValueFile.readText(fileKey(n));
        if (file.empty()) break;
        appState.stationEntries.push_back({std::move(file), keyValueFile.readText(titleKey(n))});
    }
    keyValueFile.close();
}

void showStations() {
    for (const StationEntry& entry : appState.stationEntries)
        gui::listAddRow(ctl::StationList, entry.title, 0);
    // Striping once after the rows gives the same bands as after every row.
    StripeList(ctl::StationList);
}

void chooseStyle() {
    const int row = gui::listSelectedRow(ctl::StyleList);
    appState.currentStyle = row < 0 ? std::string() : gui::listRowText(ctl::StyleList, row);
    loadStations();
    showStations();
}
