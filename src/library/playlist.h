// The playlist ("Плейлист" group); app/next_track plays its entries.
//
// UI thread only. `playlistEntries` changes under `appState.listsMutex`
// (the download worker copies it under that lock); entry k and row k of
// PlaylistList always change together. Only `savePlaylist` and, at exit,
// `savePlaylistIfChanged` write to disk.
#pragma once

#include "state/app_state.h"

// Start-up: entries and rows from the file; empty when it is missing.
void loadPlaylist();
// Appends one entry and its row (the search's add icon); writes nothing.
// An entry without an address is not added.
void appendPlaylistEntry(const StationEntry& entry);
void deletePlaylistEntry();  // the selected entry; nothing without a selection
void openPlaylistEditor();   // PlaylistEditWindow, only while the list has rows
// Rewrites the group (at the end of the file) and confirms with a message;
// warns instead when the file could not be written; creates the file when
// it does not exist. Blocks for the write.
void savePlaylist();
// At exit: the same write without a message, when entries were added or
// deleted since the playlist was loaded or saved. False when that write
// failed (errno says why).
bool savePlaylistIfChanged();
