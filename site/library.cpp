#include "library.h"

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <unordered_set>

#include "scanner.h"

namespace site {

Library::Library(std::vector<std::string> folders, std::string dbPath,
                 std::function<void(const std::string&)> log)
    : roots_(std::move(folders)),
      dbPath_(std::move(dbPath)),
      log_(std::move(log)),
      catalog_(std::make_shared<Catalog>()) {}

size_t Library::open() {
    std::lock_guard<std::mutex> serial(rescanMutex_);
    if (dbPath_.empty()) return 0;
    std::string message;
    bool ok = db_.open(dbPath_, message);
    if (!message.empty()) log_("kestrel-site: " + message + (ok ? "" : "; the index is kept in memory only"));
    std::string problem;
    std::vector<std::shared_ptr<const Track>> stored;
    for (Track& t : db_.load(problem)) stored.push_back(std::make_shared<const Track>(std::move(t)));
    if (!problem.empty()) log_("kestrel-site: " + problem);
    auto unlisted = duplicates_.hidden(stored);
    auto next = std::make_shared<const Catalog>(std::move(stored), unlisted);
    size_t n = next->size();
    std::lock_guard<std::mutex> lock(catalogMutex_);
    catalog_ = std::move(next);
    return n;
}

Library::Stats Library::rescan(bool retryRejected, const std::function<void(const std::string&)>& entering) {
    std::lock_guard<std::mutex> serial(rescanMutex_);
    auto started = std::chrono::steady_clock::now();
    if (retryRejected) rejected_.clear();
    Walk walk = walkFolders(roots_, entering);
    auto current = catalog();

    std::unordered_map<std::string_view, const std::shared_ptr<const Track>*> byPath;
    std::unordered_set<uint64_t> ids;
    byPath.reserve(current->size());
    for (const auto& t : current->tracks()) {
        byPath.emplace(t->path, &t);
        ids.insert(t->id);
    }

    std::vector<std::shared_ptr<const Track>> tracks;
    std::vector<FoundFile> toRead;
    tracks.reserve(walk.files.size());
    for (FoundFile& f : walk.files) {
        auto it = byPath.find(f.path);
        if (it != byPath.end() && (*it->second)->size == f.size && (*it->second)->mtime == f.mtime) {
            tracks.push_back(*it->second);  // shared, not copied
            byPath.erase(it);
            continue;
        }
        auto r = rejected_.find(f.path);
        if (r != rejected_.end() && r->second == std::make_tuple(f.size, f.mtime, f.ctime)) continue;
        toRead.push_back(std::move(f));
    }

    Stats stats;
    stats.read = toRead.size();
    std::vector<Track> read = readTracks(toRead, std::max(2u, std::thread::hardware_concurrency()));
    std::unordered_set<std::string_view> readPaths;
    for (Track& t : read) {
        readPaths.insert(t.path);
        auto old = byPath.find(t.path);
        if (old != byPath.end()) {
            t.id = (*old->second)->id;  // a changed file keeps its address
            byPath.erase(old);
            continue;
        }
        // A clash of two paths' hashes is settled by salting the later one.
        for (uint64_t salt = 0;; ++salt) {
            t.id = pathId(t.path, salt);
            if (t.id != 0 && ids.insert(t.id).second) break;
        }
    }
    for (const FoundFile& f : toRead) {
        if (readPaths.count(f.path)) continue;
        // One that could not even be opened says nothing of what it holds
        // (a permission, a share not yet there): it is tried at each scan.
        int fd = ::open(f.path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        ::close(fd);
        rejected_[f.path] = {f.size, f.mtime, f.ctime};
    }
    std::vector<std::string> removed;
    for (auto& [path, t] : byPath) removed.emplace_back(path);
    stats.removed = removed.size();

    if (!read.empty() || !removed.empty() || current->size() == 0 || dbBehind_) {
        for (Track& t : read) tracks.push_back(std::make_shared<const Track>(std::move(t)));
        if (db_.isOpen()) {
            // After a failed write the stored index lacks what that scan
            // found: it is written whole.
            std::vector<const Track*> changed;
            for (size_t i = dbBehind_ ? 0 : tracks.size() - read.size(); i < tracks.size(); ++i)
                changed.push_back(tracks[i].get());
            const bool saved = db_.save(changed, removed, dbBehind_);
            if (!saved)
                log_("kestrel-site: the index " + dbPath_ + " could not be written (" + db_.lastError() +
                     "); the tracks are served from memory, and the index is written whole at the next scan");
            dbBehind_ = !saved;
        }
        auto unlisted = duplicates_.hidden(tracks);
        auto next = std::make_shared<const Catalog>(std::move(tracks), unlisted);
        std::lock_guard<std::mutex> lock(catalogMutex_);
        catalog_ = std::move(next);
    }
    {
        std::lock_guard<std::mutex> lock(catalogMutex_);
        walked_ = std::move(walk.dirs);
        stats.tracks = catalog_->size();
    }
    current.reset();
    read.clear();
    // What the old catalogue held goes back to the system, not to a heap
    // that only grows across rescans.
    malloc_trim(0);
    stats.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return stats;
}

std::shared_ptr<const Catalog> Library::catalog() const {
    std::lock_guard<std::mutex> lock(catalogMutex_);
    return catalog_;
}

std::vector<std::string> Library::folders() const {
    std::lock_guard<std::mutex> lock(catalogMutex_);
    return walked_;
}

std::string defaultDbPath() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    std::string base;
    if (cache && *cache == '/') {
        base = cache;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : "") + "/.cache";
    }
    return base + "/kestrel-site/index.sqlite";
}

}  // namespace site
