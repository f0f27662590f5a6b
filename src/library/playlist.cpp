// Entry points whose behaviour is not built yet: each does nothing.
#include "library/playlist.h"

void loadPlaylist() {}
void appendPlaylistEntry(const StationEntry&) {}
void deletePlaylistEntry() {}
void playPlaylistEntry() {}
void openPlaylistEditor() {}
void savePlaylist() {}
void advanceAfterStop() {}
