// Radio stations by style and the search history, from "inet_radio.pls".
//
// All on the UI thread; each call opens, reads and closes the key-value
// document and blocks only for that read. A missing or unreadable file
// leaves the lists empty; nothing here shows a message, and only
// saveHistory writes the file.
#pragma once

#include <array>
#include <string_view>

// The 22 style names: the rows of StyleList and the group names of the file.
extern const std::array<std::string_view, 22> kStyles;

// HistoryCombo receives File0 .. File50 of "История" up to the first empty one.
void loadHistory();
// At exit: when searches were added since the start, the last 51 non-blank
// rows of HistoryCombo (oldest first, as loadHistory reads them) replace
// the group. False when the file could not be written (errno says why).
bool saveHistory();
void fillStyleList();  // the 22 styles, striped once
// `stationEntries` from the group of `currentStyle`: File1, File2, ... up to
// the first missing or empty File key.
void loadStations();
void showStations();  // StationList from `stationEntries`, striped
void chooseStyle();   // double click on StyleList: the selected style, loaded and shown
