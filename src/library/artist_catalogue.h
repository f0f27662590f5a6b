// The artist index window: names by initial letter into three columns.
//
// UI thread only. Files that are missing or unreadable leave the columns
// empty; nothing here shows a message.
#pragma once

#include <string>

void openArtistIndex();  // ArtistIndexWindow, replacing an open one
// Imports "файлы/<letter>.txt" into the letter's group of "файлы/name.pls"
// (blocks for the read and the write), then shows the stored names split
// over the three columns by a third of their number.
void loadArtistLetter(const std::string& letter);
// Copies the selected name of that list (a control number) into
// ArtistNameField and SearchField.
void chooseArtist(int list);
