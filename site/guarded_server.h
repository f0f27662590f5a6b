// The HTTP server with what keeps slow or greedy clients from starving the
// pool: a deadline for each request's headers, and at most a few
// connections per client address at once.
#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace site {

class GuardedServer : public httplib::Server {
  public:
    GuardedServer(std::chrono::milliseconds headerTime, int perAddress);
    ~GuardedServer() override;

    // Called when a request's headers have arrived (before its body is read,
    // from the pre-routing handler) and when its answer has been written.
    void headersArrived(const httplib::Request& req);
    void answered(const httplib::Request& req);

  private:
    bool process_and_close_socket(socket_t sock) override;
    void watch();
    void uncount(const std::string& address);  // with mutex_ held

    struct Connection {
        int fd;  // a duplicate of the socket: shut down at the deadline, never reused meanwhile
        std::string address;
        std::chrono::steady_clock::time_point deadline;  // max(): no deadline
        bool counted = true;  // in perAddressCount_; a connection cut at its deadline is not
    };

    const std::chrono::milliseconds headerTime_;
    const int perAddress_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;                                          // guarded by mutex_
    std::map<std::pair<std::string, int>, Connection> connections_;  // by peer address and port
    std::map<std::string, int> perAddressCount_;                     // guarded by mutex_
    std::thread watchdog_;
};

}  // namespace site
