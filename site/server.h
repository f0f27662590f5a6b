// The site itself: the current catalogue and the HTTP server over it.
//
// Threads: requests run on the server's pool; each takes a reference to the
// catalogue current when it starts, so a re-index (on any thread) builds the
// next catalogue aside and swaps it in without stopping anyone (see Library).
//
// Limits (see GuardedServer): a request's headers must arrive within a few
// seconds and its body at a minimum rate, or the connection is cut; at most
// 100 header fields and 32 KB of head (431); bodies over 1 MB get 413. Pages
// and searches have request threads of their own, which slow clients,
// transfers and re-indexes never hold; a request waits briefly for a thread
// rather than being refused. An address other than loopback holds at most
// kConnectionsPerAddress connections at once.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "catalog.h"
#include "library.h"

namespace httplib {
class Server;
struct Request;
}  // namespace httplib

namespace site {

class Watcher;
class GuardedServer;

constexpr size_t kMaxBody = 1 << 20;
constexpr int kHeaderSeconds = 5;
constexpr int kConnectionsPerAddress = 16;

class Site {
  public:
    // Log lines (one per request, one per re-index) go to `log`; default
    // stderr. `dbPath` names the stored index; empty: memory only.
    explicit Site(std::vector<std::string> folders, std::function<void(const std::string&)> log = {},
                  std::string dbPath = {});
    ~Site();

    // Loads the stored index and serves it; returns the number of tracks.
    size_t open();

    // Re-reads new and changed files, and files that did not parse as audio
    // before, and swaps the new catalogue in; returns its size. Blocks for
    // the scan; safe from any thread, also while serving.
    size_t reindex();
    Library::Stats lastReindex() const;

    // Rescans on its own thread whenever files under the folders change.
    // Call it before the first scan: each scan watches a folder before it
    // lists it.
    void startWatching();

    std::shared_ptr<const Catalog> catalog() const;

    // Binds to address:port (port 0: any free port). Returns the bound port,
    // or -1 when the address cannot be bound, with errno EADDRINUSE when
    // another socket listens there (a port is never shared).
    int bind(const std::string& address, int port);

    // Serves until stop(); blocks the calling thread. False if not bound.
    bool run();

    // Stops serving from any thread: transfers under way end at their next
    // chunk, and run() returns once every request thread has finished.
    void stop();

    // "http://ADDRESS:PORT/" for the bound address (loopback for a wildcard).
    std::string baseUrl() const;

  private:
    size_t rescan(bool retryRejected);
    std::string baseFor(const httplib::Request& req) const;
    void routes();

    std::function<void(const std::string&)> log_;
    Library library_;
    std::unique_ptr<GuardedServer> server_;
    std::string address_;
    int port_ = -1;
    std::atomic<bool> stopping_{false};
    mutable std::mutex statsMutex_;
    Library::Stats stats_;  // guarded by statsMutex_
    std::mutex watcherMutex_;
    std::unique_ptr<Watcher> watcher_;  // guarded by watcherMutex_
};

}  // namespace site
