// One indexed audio file: where it lies and what the site shows of it.
#pragma once

#include <cstdint>
#include <string>

namespace site {

struct Track {
    std::string path;      // as found under an indexed folder; opened only to serve this track
    std::string fileName;  // base name of path, used in the track's address
    std::string artist;    // UTF-8, may be empty
    std::string title;     // UTF-8, never empty (the file name's stem at worst)
    int seconds = 0;       // 0 when unknown
    int kbps = 0;          // 0 when unknown
    uint64_t id = 0;       // opaque id in the address; set by the Catalog
};

}  // namespace site
