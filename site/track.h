// One indexed audio file: where it lies and what the site shows of it.
#pragma once

#include <cstdint>
#include <string>

namespace site {

struct Track {
    std::string path;      // as found under an indexed folder; opened only to serve this track
    std::string fileName;  // base name of path (bytes as on disk), used in the track's address
    std::string folder;    // the folders between the indexed folder and the file, UTF-8 ("A/B")
    std::string artist;    // UTF-8, may be empty
    std::string title;     // UTF-8, never empty (the file name's stem at worst)
    std::string album;     // UTF-8, may be empty
    int seconds = 0;       // 0 when unknown
    int kbps = 0;          // 0 when unknown
    int64_t size = -1;     // the file's size and modification time (ns) when its tags were read:
    int64_t mtime = 0;     // a file whose size or time differ is read again, and not served
    uint64_t id = 0;       // opaque id in the address; kept across re-indexes and restarts
};

}  // namespace site
