// Radio stations by style and the search history, from "inet_radio.pls".
#pragma once

#include <array>
#include <string_view>

extern const std::array<std::string_view, 22> kStyles;

void loadHistory();
void fillStyleList();  // the 22 styles, striped once
void loadStations();
void showStations();
void chooseStyle();  // double click on StyleList
void playStation();
