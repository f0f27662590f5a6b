// The playlist ("Плейлист" group) and the automatic advance.
#pragma once

#include "app/app_state.h"

void loadPlaylist();
void appendPlaylistEntry(const StationEntry& entry);
void deletePlaylistEntry();
void playPlaylistEntry();
void openPlaylistEditor();
void savePlaylist();
void advanceAfterStop();
