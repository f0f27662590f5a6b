#include "library_db.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace site {
namespace {

constexpr int kSchemaVersion = 1;

const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS tracks("
    " id INTEGER PRIMARY KEY, path BLOB NOT NULL UNIQUE, folder TEXT NOT NULL, artist TEXT NOT NULL,"
    " title TEXT NOT NULL, album TEXT NOT NULL, seconds INTEGER NOT NULL, kbps INTEGER NOT NULL,"
    " size INTEGER NOT NULL, mtime INTEGER NOT NULL);"
    "PRAGMA user_version = 1;";

// A statement finalised with its owner.
struct Statement {
    sqlite3_stmt* s = nullptr;
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &s, nullptr); }
    ~Statement() { sqlite3_finalize(s); }
    std::string text(int col) const {
        auto* p = static_cast<const char*>(sqlite3_column_blob(s, col));
        return p ? std::string(p, size_t(sqlite3_column_bytes(s, col))) : std::string();
    }
    void bind(int i, const std::string& v) {
        sqlite3_bind_blob(s, i, v.data(), int(v.size()), SQLITE_TRANSIENT);
    }
    void bindText(int i, const std::string& v) {
        sqlite3_bind_text(s, i, v.data(), int(v.size()), SQLITE_TRANSIENT);
    }
};

bool exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void removeDatabaseFiles(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) ::unlink((path + suffix).c_str());
}

}  // namespace

LibraryDb::~LibraryDb() {
    close();
    if (lockFd_ >= 0) ::close(lockFd_);
}

void LibraryDb::close() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool LibraryDb::open(const std::string& path, std::string& message) {
    path_ = path;
    std::error_code ec;
    auto parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);

    // One site per index: a second one would rewrite it under the first.
    lockFd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ < 0) {
        message = "cannot use the index " + path + ": " + std::strerror(errno);
        return false;
    }
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        message = "the index " + path + " is in use by another kestrel-site";
        ::close(lockFd_);
        lockFd_ = -1;
        return false;
    }
    // A damaged file is replaced once; a second failure is the folder's.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) ==
                SQLITE_OK &&
            prepareSchema())
            return true;
        message = std::string("the index ") + path + " was unreadable (" + (db_ ? sqlite3_errmsg(db_) : "") +
                  "); it is rebuilt";
        close();
        removeDatabaseFiles(path);
    }
    message = "cannot create the index " + path;
    return false;
}

bool LibraryDb::prepareSchema() {
    sqlite3_busy_timeout(db_, 2000);
    if (!exec(db_, "PRAGMA journal_mode=WAL") || !exec(db_, "PRAGMA synchronous=NORMAL")) return false;
    Statement version(db_, "PRAGMA user_version");
    if (!version.s || sqlite3_step(version.s) != SQLITE_ROW) return false;
    int v = sqlite3_column_int(version.s, 0);
    if (v != 0 && v != kSchemaVersion) {
        if (!exec(db_, "DROP TABLE IF EXISTS tracks")) return false;
    }
    return exec(db_, kSchema);
}

std::vector<Track> LibraryDb::load(std::string& problem) {
    std::vector<Track> tracks;
    if (!db_) return tracks;
    {
        Statement count(db_, "SELECT count(*) FROM tracks");
        if (count.s && sqlite3_step(count.s) == SQLITE_ROW)
            tracks.reserve(size_t(std::max<int64_t>(0, sqlite3_column_int64(count.s, 0))));
    }
    Statement q(db_, "SELECT id, path, folder, artist, title, album, seconds, kbps, size, mtime FROM tracks");
    int rc = SQLITE_ERROR;
    while (q.s && (rc = sqlite3_step(q.s)) == SQLITE_ROW) {
        Track t;
        t.id = uint64_t(sqlite3_column_int64(q.s, 0));
        t.path = q.text(1);
        size_t slash = t.path.rfind('/');
        t.fileName = slash == std::string::npos ? t.path : t.path.substr(slash + 1);
        t.folder = q.text(2);
        t.artist = q.text(3);
        t.title = q.text(4);
        t.album = q.text(5);
        t.seconds = sqlite3_column_int(q.s, 6);
        t.kbps = sqlite3_column_int(q.s, 7);
        t.size = sqlite3_column_int64(q.s, 8);
        t.mtime = sqlite3_column_int64(q.s, 9);
        if (!t.path.empty() && !t.title.empty()) tracks.push_back(std::move(t));
    }
    if (rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB) {
        // Damaged inside: start again from an empty index.
        problem = "the index " + path_ + " is damaged (" + sqlite3_errmsg(db_) + "); it is rebuilt";
        tracks.clear();
        close();
        removeDatabaseFiles(path_);
        if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
                SQLITE_OK ||
            !prepareSchema())
            close();
    } else if (rc != SQLITE_DONE) {
        problem = "the index " + path_ + " could not be read (" + sqlite3_errmsg(db_) +
                  "); the folders are read again";
        tracks.clear();  // a passing failure: this run rescans, the file stays
    }
    return tracks;
}

bool LibraryDb::save(const std::vector<Track>& changed, const std::vector<std::string>& removed) {
    if (!db_ || !exec(db_, "BEGIN IMMEDIATE")) return false;
    bool ok = true;
    {
        Statement del(db_, "DELETE FROM tracks WHERE path = ?1");
        for (const auto& p : removed) {
            del.bind(1, p);
            ok &= del.s && sqlite3_step(del.s) == SQLITE_DONE;
            sqlite3_reset(del.s);
        }
        Statement put(
            db_,
            "INSERT OR REPLACE INTO tracks(id, path, folder, artist, title, album, seconds, kbps, size,"
            " mtime) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
        for (const auto& t : changed) {
            if (!put.s) break;
            sqlite3_bind_int64(put.s, 1, int64_t(t.id));
            put.bind(2, t.path);
            put.bindText(3, t.folder);
            put.bindText(4, t.artist);
            put.bindText(5, t.title);
            put.bindText(6, t.album);
            sqlite3_bind_int(put.s, 7, t.seconds);
            sqlite3_bind_int(put.s, 8, t.kbps);
            sqlite3_bind_int64(put.s, 9, t.size);
            sqlite3_bind_int64(put.s, 10, t.mtime);
            ok &= sqlite3_step(put.s) == SQLITE_DONE;
            sqlite3_reset(put.s);
        }
        ok &= put.s != nullptr;
    }
    if (!ok) {
        exec(db_, "ROLLBACK");
        return false;
    }
    return exec(db_, "COMMIT");
}

}  // namespace site
