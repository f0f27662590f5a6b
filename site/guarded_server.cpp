#include "guarded_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

// The library hands an accepted socket to this virtual member of its own and
// offers no hook before a request's headers are read, which is where a slow
// client holds a thread. Our override counts and times the connection, then
// calls the library's implementation, exported under its linkage name.
extern "C++" bool httplibServerProcessAndCloseSocket(httplib::Server* server, socket_t sock) __asm__(
    "_ZN7httplib6Server24process_and_close_socketEi");

namespace site {
namespace {

using Clock = std::chrono::steady_clock;

bool peerOf(int fd, std::string& address, int& port) {
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&ss), &len) != 0) return false;
    char buf[INET6_ADDRSTRLEN] = {};
    if (ss.ss_family == AF_INET) {
        auto* a = reinterpret_cast<sockaddr_in*>(&ss);
        inet_ntop(AF_INET, &a->sin_addr, buf, sizeof buf);
        port = ntohs(a->sin_port);
    } else if (ss.ss_family == AF_INET6) {
        auto* a = reinterpret_cast<sockaddr_in6*>(&ss);
        inet_ntop(AF_INET6, &a->sin6_addr, buf, sizeof buf);
        port = ntohs(a->sin6_port);
    } else {
        return false;
    }
    address = buf;
    return true;
}

}  // namespace

GuardedServer::GuardedServer(std::chrono::milliseconds headerTime, int perAddress)
    : headerTime_(headerTime), perAddress_(perAddress), watchdog_([this] { watch(); }) {}

GuardedServer::~GuardedServer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    watchdog_.join();
}

bool GuardedServer::process_and_close_socket(socket_t sock) {
    std::string address;
    int port = 0;
    if (!peerOf(sock, address, port)) {
        ::close(sock);
        return false;
    }
    std::pair<std::string, int> key{address, port};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (perAddressCount_[address] >= perAddress_) {
            static const char kBusy[] =
                "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            if (::send(sock, kBusy, sizeof kBusy - 1, MSG_NOSIGNAL | MSG_DONTWAIT) < 0) {
            }
            ::close(sock);
            return false;
        }
        ++perAddressCount_[address];
        connections_[key] = {::dup(sock), address, Clock::now() + headerTime_, true};
    }
    changed_.notify_all();
    // The library writes an answer's headers and body apart: without this a
    // small page waits for the client's delayed acknowledgement (40 ms).
    int one = 1;
    setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    bool ok = httplibServerProcessAndCloseSocket(this, sock);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = connections_.find(key);
        bool counted = true;
        if (it != connections_.end()) {
            if (it->second.fd >= 0) ::close(it->second.fd);
            counted = it->second.counted;
            connections_.erase(it);
        }
        if (counted) uncount(address);
    }
    return ok;
}

void GuardedServer::uncount(const std::string& address) {
    if (--perAddressCount_[address] <= 0) perAddressCount_.erase(address);
}

void GuardedServer::headersArrived(const httplib::Request& req) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = connections_.find({req.remote_addr, req.remote_port});
    if (it != connections_.end()) it->second.deadline = Clock::time_point::max();
}

void GuardedServer::answered(const httplib::Request& req) {
    {
        // A kept-alive connection has the same time for its next request's headers.
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = connections_.find({req.remote_addr, req.remote_port});
        if (it != connections_.end()) it->second.deadline = Clock::now() + headerTime_;
    }
    changed_.notify_all();
}

void GuardedServer::watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_) {
        auto next = Clock::time_point::max();
        auto now = Clock::now();
        for (auto& [key, c] : connections_) {
            if (c.deadline <= now && c.fd >= 0) {
                // The address may connect again as soon as its client sees
                // the cut, before the library's thread has closed the socket.
                if (c.counted) uncount(c.address);
                c.counted = false;
                // Ends the library's blocked read; it then closes the socket.
                ::shutdown(c.fd, SHUT_RDWR);
                c.deadline = Clock::time_point::max();
            }
            next = std::min(next, c.deadline);
        }
        if (next == Clock::time_point::max())
            changed_.wait(lock);
        else
            changed_.wait_until(lock, next);
    }
}

}  // namespace site
