// The HTTP server, with what keeps slow, greedy or hostile clients from
// starving the others, the player above all.
//
// A request reaches a request thread only once the whole of it has arrived.
// One reception thread reads every connection (epoll) until a request's head
// and body are in, within a deadline that grows with the body's length (a
// minimum rate): a slow client costs a socket and a few bytes, never a thread,
// and one that misses its deadline is cut. A head over the limits is answered
// there (431, 413, 411, 400), and so is a client whose bytes would take what
// all connections hold past a budget (503). A complete request waits for a
// thread of its kind: pages and searches have threads of their own, so that
// transfers to paused players and re-indexes never hold them; a request that
// finds no thread within a few seconds gets 503. After its answer a
// kept-alive connection goes back to the reception for its next request
// (reception.cpp).
//
// Threads: the library's listening thread accepts and hands each socket over
// (process_and_close_socket); the reception thread owns a connection while it
// is read, a request thread while it is answered. mutex_ guards what follows it.
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "request_head.h"

namespace site {

struct ServerLimits {
    HeadLimits head;
    // A request's head must be in within this time of the connection's
    // opening (or of the previous answer); a body adds its length at minRate.
    std::chrono::milliseconds requestTime{5000};
    uint64_t minRate = 64 << 10;                      // bytes per second
    std::chrono::milliseconds queueTime{10000};       // longest wait for a request thread
    std::chrono::milliseconds quickWriteTime{10000};  // to take a page; transfers use the write timeout
    int perRemoteAddress = 16;      // connections at once from one address other than loopback
    size_t maxBuffered = 64 << 20;  // bytes of requests held at once, over all connections
    int quickThreads = 8, transferThreads = 48, reindexThreads = 2;
};

class GuardedServer : public httplib::Server {
  public:
    // Told of each request the reception answers itself or cuts: the client's
    // address, the request's method and target (empty when not yet read), and
    // what became of it ("431 Request Header Fields Too Large").
    using Log = std::function<void(const std::string& address, const std::string& method,
                                   const std::string& target, const std::string& outcome)>;
    GuardedServer(ServerLimits limits, Log log);
    ~GuardedServer() override;

    // Lets the system queue up to `n` connections not yet accepted (the
    // library asks for 5), so that a burst of clients waits instead of failing.
    void widenBacklog(int n);

  private:
    struct Connection;
    class ConnectionStream;
    class Queue;

    bool process_and_close_socket(socket_t sock) override;
    void startServing();
    void stopServing();
    void receive();  // the reception thread
    void work(RequestKind kind);
    void serve(Connection& c, RequestKind kind);

    // Reception thread only.
    void readFrom(Connection& c);
    bool advance(Connection& c);  // false once the connection is handed over
    void handOff(Connection& c);
    bool refuse(Connection& c, int status, const char* reason);
    void expire();

    void account(Connection& c);   // after c.buffer changed size
    void giveBack(Connection& c);  // from a request thread: to the reception
    void close(Connection* c);
    void wake();
    void note(const Connection& c, const std::string& what);

    const ServerLimits limits_;
    const Log log_;

    std::mutex mutex_;
    bool stopping_ = false;                            // guarded by mutex_
    std::unordered_set<Connection*> live_;             // guarded by mutex_: every open connection
    std::unordered_map<std::string, int> perAddress_;  // guarded by mutex_: remote addresses only
    std::deque<Connection*> queues_[3];                // guarded by mutex_: by RequestKind
    std::condition_variable queued_[3];
    std::vector<Connection*> inbox_;  // guarded by mutex_: new or given back
    size_t maxConnections_ = 0;
    std::atomic<size_t> buffered_{0};  // bytes in the buffers of all connections

    int epoll_ = -1;
    int wake_ = -1;                            // an eventfd: the inbox has work, or stop
    std::unordered_set<Connection*> reading_;  // reception thread only
    std::chrono::steady_clock::time_point lastExpiry_;
    std::thread reception_;
    std::vector<std::thread> workers_;
};

}  // namespace site
