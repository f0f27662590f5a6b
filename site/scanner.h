// Finding the audio files under the indexed folders and reading their tags.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "track.h"

namespace site {

// True for the extensions the site indexes (mp3, ogg, flac, wav, m4a...).
// MIDI is not among them: a player streams a link, and MIDI cannot stream.
bool isAudioFileName(std::string_view name);

// The content type the site sends for a file name (by extension).
const char* contentTypeFor(std::string_view name);

// One file found by a walk, with what tells whether it changed.
struct FoundFile {
    std::string path;
    std::string folder;  // the folders between the indexed folder and the file (bytes)
    int64_t size = 0;
    int64_t mtime = 0;  // nanoseconds
    int64_t ctime = 0;  // nanoseconds: also changed by a rename over it, or a chmod
};

struct Walk {
    std::vector<FoundFile> files;   // each audio file once
    std::vector<std::string> dirs;  // every folder walked (for a watch)
};

// Every audio file under `folders`, each once: hidden entries are skipped,
// symbolic links are followed, and a folder met twice (a link loop, a folder
// given twice) is walked once. Unreadable folders are skipped silently.
// `entering` (when given) is called with each folder before it is listed, so
// that a watch added there misses nothing made after the listing began.
Walk walkFolders(const std::vector<std::string>& folders,
                 const std::function<void(const std::string&)>& entering = {});

// Reads the tags of `files` on `threads` threads; files that do not parse as
// audio are left out. Blocks until done; call from any thread.
std::vector<Track> readTracks(const std::vector<FoundFile>& files, unsigned threads = 2);

// walkFolders, then readTracks.
std::vector<Track> scanFolders(const std::vector<std::string>& folders, unsigned threads = 2);

}  // namespace site
