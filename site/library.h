// The indexed library: the catalogue being served, kept up to date by
// rescans that read only new and changed files, and stored in a LibraryDb so
// that a restart serves at once.
//
// Threads: catalog() from any thread; rescans are serialised by their own
// mutex and swap a new catalogue in, never touching the one being searched.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "catalog.h"
#include "duplicates.h"
#include "library_db.h"

namespace site {

class Library {
  public:
    // `dbPath` empty: the index lives in memory only.
    Library(std::vector<std::string> folders, std::string dbPath,
            std::function<void(const std::string&)> log);

    // Opens the stored index and serves what it holds; call once, first.
    // Returns the number of tracks loaded.
    size_t open();

    struct Stats {
        size_t tracks = 0;   // in the catalogue after the rescan
        size_t read = 0;     // files whose tags were read
        size_t removed = 0;  // tracks gone
        double seconds = 0;
    };
    // Walks the folders, reads the tags of new and changed files, drops what
    // is gone and swaps the result in. Blocks; safe from any thread. A file
    // that did not parse as audio is not read again until it changes (its
    // size or times), unless `retryRejected`; `entering` is called with each
    // folder before it is listed (see walkFolders).
    Stats rescan(bool retryRejected = false, const std::function<void(const std::string&)>& entering = {});

    std::shared_ptr<const Catalog> catalog() const;

    // The folders walked by the last rescan.
    std::vector<std::string> folders() const;

  private:
    const std::vector<std::string> roots_;
    const std::string dbPath_;
    std::function<void(const std::string&)> log_;
    LibraryDb db_;

    mutable std::mutex catalogMutex_;
    std::shared_ptr<const Catalog> catalog_;  // guarded by catalogMutex_
    std::vector<std::string> walked_;         // guarded by catalogMutex_

    std::mutex rescanMutex_;  // held for a whole rescan; guards what follows
    bool dbBehind_ = false;   // the last write of the index failed
    Duplicates duplicates_;
    // Files that were read and did not parse as audio, by path: their size,
    // modification and change times when tried.
    std::unordered_map<std::string, std::tuple<int64_t, int64_t, int64_t>> rejected_;
};

// The default index file: $XDG_CACHE_HOME/kestrel-site/index.sqlite, else
// ~/.cache/kestrel-site/index.sqlite.
std::string defaultDbPath();

}  // namespace site
