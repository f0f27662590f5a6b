// Finding the audio files under the indexed folders and reading their tags.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "track.h"

namespace site {

// True for the extensions the site indexes (mp3, ogg, flac, wav, m4a, mid...).
bool isAudioFileName(std::string_view name);

// The content type the site sends for a file name (by extension).
const char* contentTypeFor(std::string_view name);

// Every audio file under `folders`, each once: hidden entries are skipped,
// symbolic links are followed, and a folder met twice (a link loop, a folder
// given twice) is walked once. Unreadable folders are skipped silently.
// Tags are read on `threads` threads. Blocks until done; call from any thread.
std::vector<Track> scanFolders(const std::vector<std::string>& folders, unsigned threads = 2);

}  // namespace site
