// Radio stations by style and the search history, read from "inet_radio.pls".
#include "library/stations.h"

#include "app/app_state.h"
#include "library/key_value_file.h"
#include "library/station_file.h"
#include "platform/gui/gui.h"
#include "ui/ids.h"
#include "ui/register.h"

const std::array<std::string_view, 22> kStyles = {
    "Biues & rock", "Classic FM",  "Dance Pop", "DNB",          "Jazz",    "RnB",        "Русское", "Tehno",
    "Без стиля",    "Електронная", "Классика",  "Музыка стран", "Новости", "Релаксация", "Ретро",   "Рок",
    "Танцевальная", "Хиты 80-х",   "Шансон",    "Эротика",      "Юмор",    "Всё подряд"};

void loadHistory() {
    if (!keyValueFile.open(kStationFile)) {
        keyValueFile.close();
        return;
    }
    // File0 .. File50: at most 51 earlier searches.
    for (int n = 0; n <= 50; ++n) {
        keyValueFile.selectGroupText("История");
        const std::string query = keyValueFile.readText(fileKey(n));
        if (query.empty()) break;
        gui::comboAddItem(ctl::HistoryCombo, query);
    }
    keyValueFile.close();
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
