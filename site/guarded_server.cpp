#include "guarded_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "connection.h"

namespace site {
namespace {

using std::chrono::milliseconds;

bool addressOf(const sockaddr_storage& ss, std::string& address, int& port) {
    char buf[INET6_ADDRSTRLEN] = {};
    if (ss.ss_family == AF_INET) {
        auto* a = reinterpret_cast<const sockaddr_in*>(&ss);
        inet_ntop(AF_INET, &a->sin_addr, buf, sizeof buf);
        port = ntohs(a->sin_port);
    } else if (ss.ss_family == AF_INET6) {
        auto* a = reinterpret_cast<const sockaddr_in6*>(&ss);
        inet_ntop(AF_INET6, &a->sin6_addr, buf, sizeof buf);
        port = ntohs(a->sin6_port);
    } else {
        return false;
    }
    address = buf;
    return true;
}

bool isLoopbackAddress(const std::string& a) {
    return a.rfind("127.", 0) == 0 || a == "::1" || a.rfind("::ffff:127.", 0) == 0;
}
}  // namespace

// The bytes of one request, already received, and the socket to answer on.
class GuardedServer::ConnectionStream final : public httplib::Stream {
  public:
    ConnectionStream(const Connection& c, milliseconds writeTime) : c_(c), writeTime_(writeTime) {}

    bool is_readable() const override { return pos_ < c_.requestSize; }
    bool is_writable() const override { return waitWritable(); }

    // Never past the request handed over: the rest belongs to the next one.
    ssize_t read(char* ptr, size_t size) override {
        size_t n = std::min(size, c_.requestSize - pos_);
        std::memcpy(ptr, c_.buffer.data() + pos_, n);
        pos_ += n;
        return ssize_t(n);
    }

    // All of it, or -1 when the client took nothing for the write time.
    ssize_t write(const char* ptr, size_t size) override {
        size_t done = 0;
        while (done < size) {
            ssize_t n = ::send(c_.fd, ptr + done, size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                done += size_t(n);
            } else if (!(n < 0 && errno == EINTR) &&
                       !(n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitWritable())) {
                return -1;
            }
        }
        return ssize_t(size);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        ip = c_.address;
        port = c_.port;
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        ip = c_.localAddress;
        port = c_.localPort;
    }
    socket_t socket() const override { return c_.fd; }

    size_t consumed() const { return pos_; }

  private:
    bool waitWritable() const {
        pollfd p{c_.fd, POLLOUT, 0};
        int r;
        do r = ::poll(&p, 1, int(writeTime_.count()));
        while (r < 0 && errno == EINTR);
        return r > 0 && (p.revents & POLLOUT) && !(p.revents & (POLLERR | POLLHUP));
    }

    const Connection& c_;
    const milliseconds writeTime_;
    size_t pos_ = 0;
};

// The library's listening loop hands each accepted socket to its task queue
// and shuts the queue down when it stops: this one takes the socket at once
// and starts and stops the reception and the request threads.
class GuardedServer::Queue final : public httplib::TaskQueue {
  public:
    explicit Queue(GuardedServer& server) : server_(server) { server_.startServing(); }
    void enqueue(std::function<void()> fn) override { fn(); }
    void shutdown() override { server_.stopServing(); }

  private:
    GuardedServer& server_;
};

GuardedServer::GuardedServer(ServerLimits limits, Log log) : limits_(limits), log_(std::move(log)) {
    new_task_queue = [this] { return new Queue(*this); };
}

GuardedServer::~GuardedServer() = default;

void GuardedServer::widenBacklog(int n) {
    if (svr_sock_ != INVALID_SOCKET) ::listen(svr_sock_, n);
}

void GuardedServer::startServing() {
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    size_t limit = files.rlim_cur == RLIM_INFINITY ? size_t(1) << 20 : size_t(files.rlim_cur);
    // Some descriptors stay for the files being served, the index and the watch.
    maxConnections_ = limit > 512 ? limit - 256 : limit / 2;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = false;
    }
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.ptr = nullptr;
    epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &ev);
    reception_ = std::thread([this] { receive(); });
    const std::pair<RequestKind, int> pools[] = {{RequestKind::Quick, limits_.quickThreads},
                                                 {RequestKind::Transfer, limits_.transferThreads},
                                                 {RequestKind::Reindex, limits_.reindexThreads}};
    for (auto [kind, n] : pools)
        for (int i = 0; i < n; ++i) workers_.emplace_back([this, kind = kind] { work(kind); });
}

void GuardedServer::stopServing() {
    {
        // Ends blocked writes at once, and reads of clients that are gone.
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        for (Connection* c : live_) ::shutdown(c->fd, SHUT_RDWR);
    }
    for (auto& q : queued_) q.notify_all();
    wake();
    reception_.join();
    for (auto& t : workers_) t.join();
    workers_.clear();
    std::vector<Connection*> left;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& q : queues_) {
            left.insert(left.end(), q.begin(), q.end());
            q.clear();
        }
        left.insert(left.end(), inbox_.begin(), inbox_.end());
        inbox_.clear();
    }
    for (Connection* c : left) close(c);
    ::close(epoll_);
    ::close(wake_);
    epoll_ = wake_ = -1;
}

void GuardedServer::wake() {
    uint64_t one = 1;
    if (::write(wake_, &one, sizeof one) < 0) {
    }
}

bool GuardedServer::process_and_close_socket(socket_t sock) {
    auto c = std::make_unique<Connection>();
    c->fd = sock;
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    if (getpeername(sock, reinterpret_cast<sockaddr*>(&ss), &len) != 0 ||
        !addressOf(ss, c->address, c->port)) {
        ::close(sock);
        return false;
    }
    len = sizeof ss;
    if (getsockname(sock, reinterpret_cast<sockaddr*>(&ss), &len) == 0)
        addressOf(ss, c->localAddress, c->localPort);
    c->loopback = isLoopbackAddress(c->address);
    c->head = RequestHead(limits_.head);
    c->deadline = Clock::now() + limits_.requestTime;
    ::fcntl(sock, F_SETFL, ::fcntl(sock, F_GETFL) | O_NONBLOCK);
    ::fcntl(sock, F_SETFD, FD_CLOEXEC);
    // The library writes an answer's headers and body apart: without this a
    // small page waits for the client's delayed acknowledgement (40 ms).
    int one = 1;
    setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const char* refusal = nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (live_.size() >= maxConnections_)
            refusal = "503: too many connections";
        else if (!c->loopback && perAddress_[c->address] >= limits_.perRemoteAddress)
            refusal = "503: too many connections from this address";
        if (!refusal) {
            if (!c->loopback) ++perAddress_[c->address];
            live_.insert(c.get());
            inbox_.push_back(c.release());
        } else if (!c->loopback && perAddress_[c->address] == 0) {
            perAddress_.erase(c->address);
        }
    }
    if (refusal) {
        sendQuietly(sock, 503, "Service Unavailable");
        note(*c, refusal);
        ::close(sock);
        return false;
    }
    wake();
    return true;
}
void GuardedServer::work(RequestKind kind) {
    auto& queue = queues_[size_t(kind)];
    for (;;) {
        Connection* c;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            queued_[size_t(kind)].wait(lock, [&] { return stopping_ || !queue.empty(); });
            if (stopping_) return;
            c = queue.front();
            queue.pop_front();
            c->phase = Connection::Phase::Serving;
        }
        serve(*c, kind);
    }
}

void GuardedServer::serve(Connection& c, RequestKind kind) {
    // A paused player stops reading its transfer: it keeps the long write
    // timeout. A page not taken within a few seconds frees its thread.
    const milliseconds writeTime = kind == RequestKind::Transfer
                                       ? milliseconds(write_timeout_sec_ * 1000 + write_timeout_usec_ / 1000)
                                       : limits_.quickWriteTime;
    ConnectionStream stream(c, writeTime);
    const bool last = ++c.served >= keep_alive_max_count_;
    const std::string range = std::move(c.range);
    bool closed = false;
    bool ok = process_request(stream, last, closed, [&range](httplib::Request& req) {
        if (!range.empty()) req.set_header("Range", range);
    });
    c.buffer.erase(0, std::min(c.buffer.size(), std::max(stream.consumed(), c.requestSize)));
    account(c);
    if (ok && !closed && !last)
        giveBack(c);
    else
        close(&c);
}

void GuardedServer::giveBack(Connection& c) {
    c.head = RequestHead(limits_.head);
    c.bodyTimed = false;
    c.requestSize = 0;
    c.deadline = Clock::now() + limits_.requestTime;
    bool stopped;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped = stopping_;
        if (!stopped) {
            c.phase = Connection::Phase::Reading;
            inbox_.push_back(&c);
        }
    }
    if (stopped)
        close(&c);
    else
        wake();
}

void GuardedServer::account(Connection& c) {
    buffered_ += c.buffer.size();
    buffered_ -= c.counted;
    c.counted = c.buffer.size();
}

void GuardedServer::close(Connection* c) {
    buffered_ -= c->counted;
    // A copy of the socket in a child process would keep it in the epoll set
    // after it is closed here: take it out first.
    if (c->registered) epoll_ctl(epoll_, EPOLL_CTL_DEL, c->fd, nullptr);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        live_.erase(c);
        if (!c->loopback) {
            auto it = perAddress_.find(c->address);
            if (it != perAddress_.end() && --it->second <= 0) perAddress_.erase(it);
        }
        // Under the lock: a stop shuts down every live socket, never a closed one.
        ::close(c->fd);
    }
    delete c;
}

void GuardedServer::note(const Connection& c, const std::string& what) {
    if (log_) log_(c.address, c.head.method(), c.head.target(), what);
}

}  // namespace site
