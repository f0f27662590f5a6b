// The stored index: every indexed track of the last scan in an SQLite file,
// so that a restart serves at once and a rescan reads only changed files.
#pragma once

#include <string>
#include <vector>

#include "track.h"

struct sqlite3;

namespace site {

class LibraryDb {
  public:
    LibraryDb() = default;
    ~LibraryDb();
    LibraryDb(const LibraryDb&) = delete;
    LibraryDb& operator=(const LibraryDb&) = delete;

    // Opens (or creates) the file at `path`, creating its folder. A file that
    // is not a readable index of ours (corrupt, truncated, another format) is
    // replaced by an empty one. An index that cannot be written (a read-only
    // file, folder or file system) is opened read-only: it is served, and
    // saves keep nothing; `message` says so. False, with `message` set, when
    // the index cannot be used: another site holds it, it cannot be created,
    // or the disk is full.
    bool open(const std::string& path, std::string& message);
    bool isOpen() const { return db_ != nullptr; }
    bool isReadOnly() const { return readOnly_; }

    // Every stored track (fileName is derived from the path). An index found
    // damaged while reading is emptied: the next scan rebuilds it; any other
    // failure gives no tracks and leaves the file as it is.
    // `problem` says what went wrong, if anything.
    std::vector<Track> load(std::string& problem);

    // Writes `changed` (insert or replace by path) and drops `removed` paths,
    // in one transaction; `replaceAll` first drops every stored track. False
    // when the write failed: the index stays as it was, its write-ahead log
    // is emptied, and lastError() says why ("disk full"). A read-only index
    // keeps nothing and answers true.
    bool save(const std::vector<const Track*>& changed, const std::vector<std::string>& removed,
              bool replaceAll = false);
    const std::string& lastError() const { return lastError_; }

  private:
    bool prepareSchema();
    bool openReadOnly(std::string& message);
    void close();

    sqlite3* db_ = nullptr;
    std::string path_;
    int lockFd_ = -1;
    bool readOnly_ = false;
    std::string lastError_;
};

}  // namespace site
