// The artist index window: names by initial letter into three columns.
#pragma once

#include <string>

void openArtistIndex();
void loadArtistLetter(const std::string& letter);
void chooseArtist(int list);
