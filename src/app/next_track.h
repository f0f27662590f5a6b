// What plays next: the one place that starts an entry of a list, continues
// with the next when playback stops, and steps to the previous or next entry
// on the user's request. It calls playback and the lists; they never call
// each other or back into it.
//
// Each list keeps its own row to continue from: `currentIndex` (search
// results), `playlistIndex`, `localFilesIndex` and `stationIndex`.
//
// Threads: UI thread only.
#pragma once

#include <cstdint>
#include <string>

// The list whose entry was started last (AppState::playingList).
enum class PlayingList : int32_t { None, SearchResults, Playlist, LocalFiles, Stations };

// Double clicks: each plays the selected row of its list.
void playSearchResult();
void playPlaylistEntry();  // continues with the next entry when it stops
void playStation();        // continues with the playlist when it stops
void playLocalFile();      // SearchField, `currentTitle`, the length probe, `nowPlayingText`
// Left click on OpenFolderButton: the dialog, the folder listed, the chosen
// file played (when it is a listed file), the album photo.
void openLocalFile();
// The same for a path the desktop names: its folder listed, the file played
// (when it is a listed file), the album photo.
void openLocalPath(const std::string& path);
// The row the dialog or the desktop chose plays, and the list goes on from
// it; -1 (no such row): row 0 starts once nothing plays.
void playListedFile(int row);

// Every loop pass, after the poll: while the channel plays, notes that the
// stream was heard; once it stops, a stream never heard is reported as not
// playable (status strip, display reset), and the armed list continues.
// An advance that runs out of rows disarms.
void advanceAfterStop();

// The previous and next buttons: the entry before or after the one started
// last, in the same list, by the advance's rules (local files wrap round,
// the other lists stop at their ends). Before anything was played, the
// selected row of the mode's list plays.
void playPrevious();
void playNext();
