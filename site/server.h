// The site itself: the current catalogue and the HTTP server over it.
//
// Threads: requests run on the server's pool; each takes a reference to the
// catalogue current when it starts, so a re-index (on any thread) builds the
// next catalogue aside and swaps it in without stopping anyone. Re-indexes
// are serialised by their own mutex.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "catalog.h"

namespace httplib {
class Server;
struct Request;
}  // namespace httplib

namespace site {

class Site {
  public:
    // Log lines (one per request, one per re-index) go to `log`; default stderr.
    explicit Site(std::vector<std::string> folders, std::function<void(const std::string&)> log = {});
    ~Site();

    // Re-reads the folders and swaps the new catalogue in; returns its size.
    // Blocks for the scan; safe from any thread, also while serving.
    size_t reindex();

    std::shared_ptr<const Catalog> catalog() const;

    // Binds to address:port (port 0: any free port). Returns the bound port,
    // or -1 when the address cannot be bound.
    int bind(const std::string& address, int port);

    // Serves until stop(); blocks the calling thread. False if not bound.
    bool run();

    // Stops serving from any thread: transfers under way end at their next
    // chunk, and run() returns once every request thread has finished.
    void stop();

    // "http://ADDRESS:PORT/" for the bound address (loopback for a wildcard).
    std::string baseUrl() const;

  private:
    std::string baseFor(const httplib::Request& req) const;
    void routes();

    std::vector<std::string> folders_;
    std::function<void(const std::string&)> log_;
    std::unique_ptr<httplib::Server> server_;
    std::string address_;
    int port_ = -1;
    std::atomic<bool> stopping_{false};

    mutable std::mutex catalogMutex_;
    std::shared_ptr<const Catalog> catalog_;  // guarded by catalogMutex_
    std::mutex reindexMutex_;                 // held for a whole re-index
};

}  // namespace site
