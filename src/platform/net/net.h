// The network stand-in, on libcurl: connection state, page fetch, download
// to a file, cache-entry removal, and address helpers.
//
// Threads: every function may be called from any thread; none keeps state
// between calls except the connection-state cache and the limits (atomics)
// and curl's one-time global set-up. Transfers speak http and https only, follow up to
// five redirects, and give up after a connect timeout (10 s) or a stall (20 s
// with no byte received), so a dead server cannot hold the caller for ever.
// What only tests change or ask (the limits, a forced connection state, the
// pure rules behind the answers) is in net_testing.h.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace net {

// ---- connection state ------------------------------------------------------

// True when an interface other than loopback is up and a default route
// (IPv4 or IPv6) leaves through such an interface. Sends nothing; the answer
// is re-read from the system at most every 250 ms and cached in between, so
// a call costs tens of nanoseconds (a re-read: about 20 microseconds).
bool connected();

// A descriptor that turns readable when a link, an address or a route
// changes (a routing netlink socket), or -1 where there is none. When it is
// readable, connectionNotices(fd) takes the notices and makes the next
// connected() read the system afresh, so a waiting loop follows the state
// without polling it. Once such a descriptor is open, connected() reads the
// system only after a notice; its caller must take the notices.
int openConnectionNotices();
void connectionNotices(int fd);

// ---- page fetch ------------------------------------------------------------

struct Page {
    std::string body;         // at most the requested limit, as received
    std::string contentType;  // the final response's Content-Type, "" when none
    long status = 0;          // HTTP status of the final response
};

enum class FetchError { None, BadAddress, Connect, Transfer, Empty };

struct FetchResult {
    FetchError error = FetchError::None;
    Page page;  // valid when error is None
};

// One GET of `address` with the agent "Kestrel Player". Reads the body up to
// `limit` bytes (more is not received). Error pages of the server are pages
// like any other. Blocks until the transfer ends and at least `minimumWait`
// has passed since the call; the wait overlaps the transfer. The transfer
// ends after 3 s whatever the server does (a failure: no page). An answer with
// an empty body is FetchError::Empty.
FetchResult fetch(const std::string& address, std::size_t limit, std::chrono::milliseconds minimumWait);

// True when an HTTP server answers a request for `address` (any status)
// within `bound`: the call never takes longer. Only the headers are read.
bool answers(const std::string& address, std::chrono::milliseconds bound);

// ---- download --------------------------------------------------------------

enum class DownloadError {
    None,
    BadAddress,     // not http/https, or malformed
    Connect,        // no connection to the server, or no answer within the connect limit
    Http,           // the server answered with status 400 or more
    Transfer,       // the transfer broke off or stalled
    EndlessStream,  // no length, and radio-stream headers, a stream's pace or a body past 250 MB
    Empty,          // the body was empty
    NotAudio,       // the body is no audio the player plays (a page, a fragment of one)
    File,           // the file could not be created, written or put in place
    DiskFull,       // the same, for lack of space (or quota)
    ReadOnly,       // the same, because the folder may not be written (permission, read-only disk)
};

struct DownloadResult {
    DownloadError error = DownloadError::None;
    long status = 0;          // final HTTP status, 0 when none came
    std::uint64_t bytes = 0;  // bytes written on success
    std::string path;         // where the file was put, on success
    bool ok() const { return error == DownloadError::None; }
};

// Downloads `address` to a new file. The body goes to a temporary file in
// the directory of `pathFor(1)`; only when the whole transfer succeeded is
// it put in place, under the first of pathFor(1), pathFor(2), … that names
// no existing file (an empty name ends the choice: the download then fails
// as File). An existing file is never replaced, and a failure leaves no
// partial file. The answer's headers must arrive within the connect limit;
// then the body may take as long as it keeps coming (a stall ends it).
// The body must begin as audio the player plays (see audio_head.h). A body
// of no declared length is taken for an endless stream past 250 MB, or when
// 30 s after its first byte it still arrives no faster than one and a half
// times the bit rate its MPEG audio frames declare (320 kbit/s when they
// declare none), measured over the last two thirds of that time.
// Blocks the calling thread for the whole transfer.
DownloadResult downloadToFile(const std::string& address, const std::function<std::string(int)>& pathFor);
// The same with one choice of name: fails when `path` exists.
DownloadResult downloadToFile(const std::string& address, const std::string& path);

// For the program's exit, which does not wait for a download: removes the
// temporary files of the downloads under way, which then fail (a file they
// have already put in place stays). Any thread.
void abandonDownloads();

// Forgets what a download left in a local cache. libcurl keeps none, so this
// does nothing; it stays a named step of the download sequence.
void removeCacheEntry(const std::string& address);

// ---- addresses -------------------------------------------------------------

// `reference` resolved against `base` (an absolute http/https address) as a
// browser resolves a link; an absolute reference is returned as it is. A
// reference that cannot be resolved is returned unchanged.
std::string resolveAddress(const std::string& base, const std::string& reference);

}  // namespace net
