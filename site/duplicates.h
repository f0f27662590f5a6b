// Byte-identical files listed once. The player saves tracks into the music
// folder the site indexes (its "Kestrel Player" folder), so a search would
// list a track beside each of its saved copies.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "track.h"

namespace site {

// Whether the track lies in the player's save folder: a folder named
// "Kestrel Player" under the indexed folder, or $KESTREL_SAVE_DIR.
bool inSaveFolder(const Track& t);

class Duplicates {
  public:
    // The ids of the tracks to leave out of searches: of each set of
    // byte-identical files, all but one, the first outside a save folder by
    // path. Only files whose size, length, bit rate, artist and title agree
    // are read, each once while it stays unchanged. Blocks on reading; not
    // thread-safe.
    std::unordered_set<uint64_t> hidden(const std::vector<std::shared_ptr<const Track>>& tracks);

  private:
    struct Digest {
        int64_t size = -1, mtime = 0;
        uint64_t hash = 0;
        bool read = false;  // false: the file could not be read
    };
    const Digest& digestOf(const Track& t);

    std::unordered_map<std::string, Digest> digests_;  // by path; only of tracks that had a twin
};

}  // namespace site
