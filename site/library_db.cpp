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

// What went wrong, in the words a user acts on.
std::string reason(sqlite3* db, int rc) {
    if ((rc & 0xFF) == SQLITE_FULL) return "disk full";
    return db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
}

bool damaged(int rc) {
    return (rc & 0xFF) == SQLITE_CORRUPT || (rc & 0xFF) == SQLITE_NOTADB;
}

// A file name as an SQLite URI path: "?", "#" and "%" would end or change it.
std::string uriPath(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (c == '?' || c == '#' || c == '%' || c < 0x21 || c >= 0x7F) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += char(c);
        }
    }
    return out;
}

// Whether the index can be written where it is: SQLite also writes its log
// files beside it.
bool writable(const std::string& path) {
    auto parent = std::filesystem::path(path).parent_path();
    if (::access(parent.empty() ? "." : parent.c_str(), W_OK) != 0) return false;
    return ::access(path.c_str(), W_OK) == 0 || errno == ENOENT;
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

    if (!writable(path)) return openReadOnly(message);
    // One site per index: a second one would rewrite it under the first.
    lockFd_ = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd_ < 0) {
        message = "cannot use the index " + path + ": " +
                  (errno == ENOSPC || errno == EDQUOT ? std::string("disk full") : std::strerror(errno));
        return false;
    }
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        message = "the index " + path + " is in use by another kestrel-site";
        ::close(lockFd_);
        lockFd_ = -1;
        return false;
    }
    // A damaged file is replaced once; any other failure is the disk's or
    // the folder's, and leaves the file as it is.
    for (int attempt = 0; attempt < 2; ++attempt) {
        int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        if (rc == SQLITE_OK && prepareSchema()) return true;
        if (db_) rc = sqlite3_extended_errcode(db_);
        std::string why = reason(db_, rc);
        close();
        if (!damaged(rc)) {
            message = "cannot use the index " + path + ": " + why;
            return false;
        }
        message = "the index " + path + " was damaged (" + why + "); it is rebuilt";
        removeDatabaseFiles(path);
    }
    message = "cannot create the index " + path;
    return false;
}

bool LibraryDb::openReadOnly(std::string& message) {
    if (::access(path_.c_str(), R_OK) != 0) {
        message = "cannot create the index " + path_ + ": " + std::strerror(errno == ENOENT ? EROFS : errno);
        return false;
    }
    // Read as the last writer left it; where its log files cannot be made
    // (a read-only folder), as the file alone.
    for (const char* mode : {"?mode=ro", "?immutable=1"}) {
        if (sqlite3_open_v2(("file:" + uriPath(path_) + mode).c_str(), &db_,
                            SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) == SQLITE_OK) {
            Statement version(db_, "PRAGMA user_version");
            Statement tracks(db_, "SELECT count(*) FROM tracks");
            if (version.s && sqlite3_step(version.s) == SQLITE_ROW &&
                sqlite3_column_int(version.s, 0) == kSchemaVersion && tracks.s &&
                sqlite3_step(tracks.s) == SQLITE_ROW) {
                readOnly_ = true;
                message = "the index " + path_ +
                          " is read-only: it is served, and what rescans find is not kept in it";
                return true;
            }
        }
        close();
    }
    message = "the index " + path_ + " is read-only and cannot be read";
    return false;
}

bool LibraryDb::prepareSchema() {
    sqlite3_busy_timeout(db_, 2000);
    if (!exec(db_, "PRAGMA journal_mode=WAL") || !exec(db_, "PRAGMA synchronous=NORMAL")) return false;
    int v = -1;
    {
        Statement version(db_, "PRAGMA user_version");  // finalised before the checkpoint below
        if (!version.s || sqlite3_step(version.s) != SQLITE_ROW) return false;
        v = sqlite3_column_int(version.s, 0);
    }
    if (v != 0 && v != kSchemaVersion) {
        if (!exec(db_, "DROP TABLE IF EXISTS tracks")) return false;
    }
    if (!exec(db_, kSchema)) return false;
    // An empty log: a write that fails for want of room can then be dropped
    // from it whole (see save).
    exec(db_, "PRAGMA wal_checkpoint(TRUNCATE)");
    return true;
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
    if (damaged(rc) && !readOnly_) {
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

bool LibraryDb::save(const std::vector<const Track*>& changed, const std::vector<std::string>& removed,
                     bool replaceAll) {
    lastError_.clear();
    if (readOnly_) return true;
    if (!db_) return false;
    int rc = SQLITE_OK;
    auto step = [&](sqlite3_stmt* s) {
        int r = s ? sqlite3_step(s) : SQLITE_ERROR;
        if (r != SQLITE_DONE && rc == SQLITE_OK) rc = s ? sqlite3_extended_errcode(db_) : SQLITE_ERROR;
        if (s) sqlite3_reset(s);
    };
    if (!exec(db_, "BEGIN IMMEDIATE")) {
        lastError_ = reason(db_, sqlite3_extended_errcode(db_));
        return false;
    }
    if (replaceAll && !exec(db_, "DELETE FROM tracks")) rc = sqlite3_extended_errcode(db_);
    {
        Statement del(db_, "DELETE FROM tracks WHERE path = ?1");
        for (const auto& p : removed) {
            if (rc != SQLITE_OK) break;
            del.bind(1, p);
            step(del.s);
        }
        Statement put(
            db_,
            "INSERT OR REPLACE INTO tracks(id, path, folder, artist, title, album, seconds, kbps, size,"
            " mtime) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
        for (const Track* track : changed) {
            if (rc != SQLITE_OK || !put.s) break;
            const Track& t = *track;
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
            step(put.s);
        }
        if (!put.s && rc == SQLITE_OK) rc = sqlite3_extended_errcode(db_);
    }
    if (rc == SQLITE_OK && exec(db_, "COMMIT")) {
        // The file itself then holds the whole index: a copy, a backup or a
        // later read-only start needs no log beside it.
        exec(db_, "PRAGMA wal_checkpoint(TRUNCATE)");
        return true;
    }
    if (rc == SQLITE_OK) rc = sqlite3_extended_errcode(db_);
    lastError_ = reason(db_, rc);
    exec(db_, "ROLLBACK");
    // The pages of the failed transaction stay in the log file (megabytes on
    // a full disk) until a checkpoint: empty it now.
    exec(db_, "PRAGMA wal_checkpoint(TRUNCATE)");
    return false;
}

}  // namespace site
