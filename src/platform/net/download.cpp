// Download to a file: the body goes to a temporary file beside the target,
// put in place under a free name only when the whole transfer succeeded.
// Refused before their body is kept: a status of 400 or more, endless radio
// streams (no length, ICY headers), an answer whose headers do not come
// within the connect limit. Failed as it comes: a body that is no audio
// (a page instead of a track), a body of no length that still arrives at
// the pace of a stream or runs past the unsized limit, a stall; an empty
// body.
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <random>
#include <set>
#include <vector>

#include "platform/net/audio_head.h"
#include "platform/net/curl_easy.h"
#include "platform/net/net_testing.h"

namespace net {
namespace {

constexpr size_t flushSize = 1 << 20;
// Slower than this over the whole stall period is a stall: a server that
// trickles a few bytes a second would otherwise hold the worker for days.
constexpr long slowestBytesPerSecond = 64;

std::atomic<std::uint64_t> unsizedLimit{250ull * 1000 * 1000};

// The head of the body that is looked at before anything is written.
constexpr size_t sniffSize = 64 * 1024;

// A body of no length that still comes this long after its first byte, no
// faster than about its bit rate, is a live stream: a file that arrives as
// slowly takes as long to download as to play, and nothing tells the two
// apart before the end, which a stream never reaches. The pace is measured
// over the last two thirds of the time, after the burst a radio server
// sends first.
std::atomic<std::int64_t> paceCheckMs{30000};
constexpr double streamPaceMargin = 1.5;  // times the declared bit rate
// Where the format declares no bit rate: that of the richest common stream
// (320 kbit/s), with the same margin.
constexpr double unknownStreamBytesPerSecond = streamPaceMargin * 320000 / 8;

// Temporary files of the downloads under way, for abandonDownloads.
std::mutex temporariesMutex;
std::set<std::string> liveTemporaries;  // guarded by temporariesMutex

struct Transfer {
    CURL* easy = nullptr;
    int fd = -1;
    std::vector<char> buffer;
    uint64_t written = 0;
    bool radioHeaders = false;  // the current response carries icy-/ice- headers
    bool checked = false;       // the response was looked at before its first byte
    bool answered = false;      // the final response's headers are complete
    bool sniffed = false;       // the head of the body was looked at
    curl_off_t length = -1;     // the declared length, -1 when none
    int bitRate = 0;            // declared by the head of the body, 0 when unknown
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    // The pace of a body without length: since when, and from how many bytes.
    std::chrono::steady_clock::time_point paceFrom;
    uint64_t paceFromBytes = 0;
    bool pacing = false;     // the first byte has come
    bool measuring = false;  // paceFrom and paceFromBytes hold a measure's start
    std::chrono::milliseconds connectLimit{0};
    DownloadError refused = DownloadError::None;
    int writeErrno = 0;  // set when writing the temporary file failed

    bool flush() {
        if (!sniffed && !sniff(true)) return false;
        size_t off = 0;
        while (off < buffer.size()) {
            ssize_t n = ::write(fd, buffer.data() + off, buffer.size() - off);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                writeErrno = n < 0 ? errno : EIO;
                return false;
            }
            off += static_cast<size_t>(n);
        }
        written += buffer.size();
        buffer.clear();
        return true;
    }

    // A page where a track was expected (an error or login page served with
    // status 200, a fragment of one) is no track: the body must begin as a
    // format the player plays. `whole` when the buffer holds all of it.
    bool sniff(bool whole) {
        if (buffer.empty()) return true;  // an empty body fails as such
        sniffed = true;
        const detail::AudioHead head =
            detail::readAudioHead(std::string_view(buffer.data(), buffer.size()), whole);
        if (!head.audio) refused = DownloadError::NotAudio;
        bitRate = head.bitRate;
        return refused == DownloadError::None;
    }

    // False once a body without length has come at a stream's pace for the
    // whole check time.
    bool finitePace() {
        const auto now = std::chrono::steady_clock::now();
        const uint64_t received = written + buffer.size();
        const std::chrono::milliseconds check(paceCheckMs.load());
        if (!pacing) {  // the first byte: the burst is not measured
            pacing = true;
            paceFrom = now + check / 3;
            return true;
        }
        if (!measuring) {
            if (now < paceFrom) return true;
            measuring = true;
            paceFrom = now;
            paceFromBytes = received;
            return true;
        }
        const double seconds = std::chrono::duration<double>(now - paceFrom).count();
        if (seconds * 1000 < static_cast<double>(check.count()) * 2 / 3) return true;
        if (!sniffed)  // a slow body: its head has not been judged yet
            bitRate = detail::readAudioHead(std::string_view(buffer.data(), buffer.size()), false).bitRate;
        const double limit = bitRate > 0 ? streamPaceMargin * bitRate / 8 : unknownStreamBytesPerSecond;
        if (static_cast<double>(received - paceFromBytes) / seconds <= limit) return false;
        paceFrom = now;  // faster than a stream: look again over the next period
        paceFromBytes = received;
        return true;
    }
};

size_t onHeader(char* line, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    size_t n = size * count;
    if (detail::isStatusLine(line, n)) {
        t->radioHeaders = false;  // a redirect's headers do not count for the final answer
        if (n >= 4 && std::string_view(line, 4) == "ICY ") t->radioHeaders = true;
    } else if (n >= 4 && (strncasecmp(line, "icy-", 4) == 0 || strncasecmp(line, "ice-", 4) == 0)) {
        t->radioHeaders = true;
    } else if (n <= 2 && (n == 0 || line[0] == '\r' || line[0] == '\n')) {
        long status = 0;
        detail::curl().easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
        if (status >= 200 && (status < 300 || status >= 400)) t->answered = true;  // not a redirect
    }
    return n;
}

// Until the answer is there, the whole wait is bounded; after it, only stalls.
int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    return !t->answered && std::chrono::steady_clock::now() - t->start > t->connectLimit;
}

// Decides on the first body byte whether the response is worth keeping.
bool accept(Transfer* t) {
    t->checked = true;
    t->answered = true;
    long status = 0;
    detail::curl().easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 400) {
        t->refused = DownloadError::Http;
        return false;
    }
    detail::curl().easy_getinfo(t->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &t->length);
    if (t->length < 0 && t->radioHeaders) {
        t->refused = DownloadError::EndlessStream;
        return false;
    }
    return true;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    size_t n = size * count;
    if (!t->checked && !accept(t)) return 0;
    t->buffer.insert(t->buffer.end(), data, data + n);
    if (!t->sniffed && t->buffer.size() >= sniffSize && !t->sniff(false)) return 0;
    if (t->length < 0 && (t->written + t->buffer.size() > unsizedLimit.load() || !t->finitePace())) {
        t->refused = DownloadError::EndlessStream;
        return 0;
    }
    if (t->buffer.size() >= flushSize && !t->flush()) return 0;
    return n;
}

std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A new, empty file with a name of its own in `dir`; mode 0666 less umask.
// The name carries our pid, so that a later start can tell a file left by a
// killed run from one still being written.
int createTemporary(const std::string& dir, std::string& name) {
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[48];
        std::snprintf(suffix, sizeof suffix, "%d-%016llx", static_cast<int>(::getpid()),
                      static_cast<unsigned long long>(rng()));
        name = dir + "/.kestrel-download-" + suffix + ".part";
        int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

DownloadError fileError(int error) {
    if (error == ENOSPC || error == EDQUOT) return DownloadError::DiskFull;
    if (error == EACCES || error == EPERM || error == EROFS) return DownloadError::ReadOnly;
    return DownloadError::File;
}

// createTemporary, and the file joins those that abandonDownloads removes:
// one step under the lock, so that no abandon in between misses it.
int createKeptTemporary(const std::string& dir, std::string& name) {
    std::lock_guard lock(temporariesMutex);
    const int fd = createTemporary(dir, name);
    if (fd >= 0) liveTemporaries.insert(name);
    return fd;
}

// Removes our temporary file (if still there) and forgets it.
void dropTemporary(const std::string& name) {
    std::lock_guard lock(temporariesMutex);
    ::unlink(name.c_str());
    liveTemporaries.erase(name);
}

// Gives `temporary` the first free name of `pathFor`, never replacing a
// file: a hard link fails when the name exists. Returns 0 or an errno.
int placeUnderFreeName(const std::string& temporary, const std::function<std::string(int)>& pathFor,
                       std::string& placed) {
    for (int copy = 1; copy <= 1000; ++copy) {
        placed = pathFor(copy);
        if (placed.empty()) break;
        if (::link(temporary.c_str(), placed.c_str()) == 0) {
            ::unlink(temporary.c_str());
            return 0;
        }
        if (errno == EEXIST) continue;
        if (errno != EPERM && errno != EOPNOTSUPP) return errno;
        // A file system without hard links: ask rename not to replace, or
        // where it cannot be asked (vfat), look first.
        if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, placed.c_str(), RENAME_NOREPLACE) == 0)
            return 0;
        if (errno == EINVAL || errno == ENOSYS) {
            struct stat st;
            if (::lstat(placed.c_str(), &st) == 0) continue;
            return ::rename(temporary.c_str(), placed.c_str()) == 0 ? 0 : errno;
        }
        if (errno != EEXIST) return errno;
    }
    placed.clear();
    return EEXIST;
}

}  // namespace

void setMaxUnsizedBytes(std::uint64_t bytes) {
    unsizedLimit.store(bytes);
}

void setStreamPaceCheck(std::chrono::milliseconds after) {
    paceCheckMs.store(after.count());
}

void abandonDownloads() {
    std::lock_guard lock(temporariesMutex);
    for (const std::string& name : liveTemporaries) ::unlink(name.c_str());
    liveTemporaries.clear();
}

DownloadResult downloadToFile(const std::string& address, const std::function<std::string(int)>& pathFor) {
    DownloadResult result;
    detail::Easy easy = detail::openEasy(escapeUnsafeBytes(address));
    if (!easy) {
        result.error = DownloadError::Connect;
        return result;
    }
    std::string temporary;
    Transfer t;
    t.easy = easy.get();
    t.connectLimit = timeouts().connect;
    t.fd = createKeptTemporary(directoryOf(pathFor(1)), temporary);
    if (t.fd < 0) {
        result.error = fileError(errno);
        return result;
    }
    t.buffer.reserve(flushSize + CURL_MAX_WRITE_SIZE);

    CURL* h = easy.get();
    detail::curl().easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeader);
    detail::curl().easy_setopt(h, CURLOPT_HEADERDATA, &t);
    detail::curl().easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody);
    detail::curl().easy_setopt(h, CURLOPT_WRITEDATA, &t);
    detail::curl().easy_setopt(h, CURLOPT_XFERINFOFUNCTION, onProgress);
    detail::curl().easy_setopt(h, CURLOPT_XFERINFODATA, &t);
    detail::curl().easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    detail::curl().easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, slowestBytesPerSecond);
    detail::curl().easy_setopt(h, CURLOPT_BUFFERSIZE, 256L * 1024);
    CURLcode rc = detail::curl().easy_perform(h);
    detail::curl().easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.status);

    // An empty body never reached onBody: judge the response now.
    if (rc == CURLE_OK && !t.checked && !accept(&t)) rc = CURLE_WRITE_ERROR;
    if (rc == CURLE_OK && !t.flush()) rc = CURLE_WRITE_ERROR;
    if (::close(t.fd) != 0 && rc == CURLE_OK && t.writeErrno == 0) {
        t.writeErrno = errno;
        rc = CURLE_WRITE_ERROR;
    }

    if (t.refused != DownloadError::None)
        result.error = t.refused;
    else if (t.writeErrno != 0)
        result.error = fileError(t.writeErrno);
    else if (rc == CURLE_UNSUPPORTED_PROTOCOL || rc == CURLE_URL_MALFORMAT)
        result.error = DownloadError::BadAddress;
    else if (rc == CURLE_COULDNT_CONNECT || rc == CURLE_COULDNT_RESOLVE_HOST ||
             rc == CURLE_COULDNT_RESOLVE_PROXY ||
             ((rc == CURLE_OPERATION_TIMEDOUT || rc == CURLE_ABORTED_BY_CALLBACK) && !t.answered))
        result.error = DownloadError::Connect;
    else if (rc != CURLE_OK)
        result.error = DownloadError::Transfer;
    else if (t.written == 0)
        result.error = DownloadError::Empty;

    if (result.error == DownloadError::None) {
        if (int error = placeUnderFreeName(temporary, pathFor, result.path); error != 0)
            result.error = fileError(error);
    }
    dropTemporary(temporary);
    if (result.error != DownloadError::None) {
        result.path.clear();
        return result;
    }
    result.bytes = t.written;
    return result;
}

DownloadResult downloadToFile(const std::string& address, const std::string& path) {
    return downloadToFile(address, [&](int copy) { return copy == 1 ? path : std::string(); });
}

}  // namespace net
