// A connection of GuardedServer, as its reception and its request threads
// share it; only their two files include this.
#pragma once

#include <sys/socket.h>

#include <chrono>
#include <string>

#include "guarded_server.h"

namespace site {

using Clock = std::chrono::steady_clock;

struct GuardedServer::Connection {
    int fd = -1;
    std::string address, localAddress;
    int port = 0, localPort = 0;
    bool loopback = false;
    enum class Phase { Reading, Draining, Queued, Serving } phase = Phase::Reading;
    bool registered = false;  // in the reception's epoll set
    std::string buffer;       // received and not yet answered (a pipelined request may follow)
    RequestHead head;
    Clock::time_point deadline;  // of the request being read, or of a drain
    bool bodyTimed = false;      // the deadline has grown by the body's length
    size_t drained = 0;
    size_t counted = 0;      // of buffer's bytes, in buffered_
    std::string range;       // the Range field taken out of the head handed over
    size_t requestSize = 0;  // the head and body handed over
    Clock::time_point queuedAt;
    size_t served = 0;
};

// A whole answer of a few bytes on a socket whose send buffer is empty: if
// even that does not go, the client is not worth waiting for.
inline void sendQuietly(int fd, int status, const char* reason) {
    std::string answer = "HTTP/1.1 " + std::to_string(status) + " " + reason +
                         "\r\nContent-Length: 0\r\nConnection: close\r\n" +
                         (status == 503 ? "Retry-After: 1\r\n" : "") + "\r\n";
    if (::send(fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0) {
    }
}

}  // namespace site
