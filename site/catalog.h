// The searchable index of one scan: immutable once built, so any number of
// request threads may search it at once while a re-index builds the next one.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "track.h"

namespace site {

// Lower-cases ASCII and Cyrillic letters, folds "ё" into "е" and accented
// Latin letters into their base letters ("é" -> "e"), so that a query matches
// whichever way the user typed it. UTF-8 in and out.
std::string foldForSearch(std::string_view utf8);

// The id a path gets when it is first indexed (a different salt after a clash).
uint64_t pathId(std::string_view path, uint64_t salt);

// 16 lowercase hex digits; the inverse returns false on anything else.
std::string formatId(uint64_t id);
bool parseId(std::string_view text, uint64_t& id);

class Catalog {
  public:
    Catalog() = default;
    // Sorts the tracks by artist, then title, then path. A track keeps the id
    // it has; one without (0) gets an id derived from its path, so that an
    // address stays valid across re-indexes.
    explicit Catalog(std::vector<Track> tracks);
    // The same over shared tracks, so that a rescan's next catalogue shares
    // what did not change with the current one instead of copying it. Tracks
    // whose ids are in `unlisted` (copies of another) are found by id but
    // never by a search.
    explicit Catalog(std::vector<std::shared_ptr<const Track>> tracks,
                     const std::unordered_set<uint64_t>& unlisted = {});

    size_t size() const { return tracks_.size(); }
    const std::vector<std::shared_ptr<const Track>>& tracks() const { return tracks_; }

    // Tracks in catalogue order where every word (already folded, no
    // whitespace) is found in the folded artist, title, album, folders or file
    // name; at most `limit`. No words match every track. Thread-safe, never
    // blocks.
    std::vector<const Track*> search(const std::vector<std::string>& words, size_t limit) const;

    // The track with this id, or nullptr.
    const Track* find(uint64_t id) const;

  private:
    std::vector<std::shared_ptr<const Track>> tracks_;
    // Folded "artist\x01title\x01album\x01folders/file name\0" of every track in order (of an
    // unlisted one only "\0"), and the offset where each track's part starts (plus one past the end).
    std::string haystack_;
    std::vector<size_t> starts_;
    std::vector<std::pair<uint64_t, uint32_t>> byId_;  // (id, index), sorted by id
};

}  // namespace site
