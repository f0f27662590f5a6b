// The reception thread of GuardedServer: reading every connection until a
// request is whole, and cutting what misses its deadline.
#include <sys/epoll.h>
#include <unistd.h>

#include <cerrno>

#include "connection.h"

namespace site {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kDrainTime{2000};  // to read what follows a refused head
constexpr size_t kDrainBytes = 1 << 20;
constexpr milliseconds kExpiryTick{100};

}  // namespace

void GuardedServer::receive() {
    epoll_event events[64];
    bool busy = false;  // connections being read or waiting for a thread: deadlines to keep
    for (;;) {
        int n = epoll_wait(epoll_, events, 64, busy ? int(kExpiryTick.count()) : -1);
        if (n < 0 && errno != EINTR) break;
        for (int i = 0; i < n; ++i) {
            if (events[i].data.ptr) {
                readFrom(*static_cast<Connection*>(events[i].data.ptr));
            } else {
                uint64_t count;
                if (::read(wake_, &count, sizeof count) < 0) {
                }
            }
        }
        std::vector<Connection*> arrived;
        bool stop, queued = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop = stopping_;
            if (!stop) arrived.swap(inbox_);
            for (auto& q : queues_) queued |= !q.empty();
        }
        if (stop) break;
        for (Connection* c : arrived) {
            reading_.insert(c);
            advance(*c);  // a request that came with the last one is read at once
        }
        if (Clock::now() - lastExpiry_ >= kExpiryTick) expire();
        busy = queued || !reading_.empty();
    }
    for (Connection* c : reading_) close(c);
    reading_.clear();
}

void GuardedServer::readFrom(Connection& c) {
    char buf[16384];
    for (;;) {
        ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
        if (n > 0) {
            if (c.phase == Connection::Phase::Draining) {
                c.drained += size_t(n);
                if (c.drained <= kDrainBytes) continue;
            } else if (buffered_ + size_t(n) > limits_.maxBuffered) {
                refuse(c, 503, "Service Unavailable");
            } else {
                c.buffer.append(buf, size_t(n));
                account(c);
                if (!advance(c)) return;  // handed over: another thread's now
                continue;
            }
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        // The client has gone, or closed before its request was whole.
        reading_.erase(&c);
        close(&c);
        return;
    }
}

bool GuardedServer::advance(Connection& c) {
    if (c.phase == Connection::Phase::Reading) {
        switch (c.head.scan(c.buffer)) {
            case RequestHead::State::Partial:
                break;
            case RequestHead::State::Complete:
                if (!c.bodyTimed) {
                    c.bodyTimed = true;
                    c.deadline += milliseconds(c.head.bodySize() * 1000 / limits_.minRate);
                }
                if (c.buffer.size() >= c.head.headSize() + c.head.bodySize()) {
                    handOff(c);
                    return false;
                }
                break;
            case RequestHead::State::TooLarge:
                return refuse(c, 431, "Request Header Fields Too Large");
            case RequestHead::State::BodyTooLarge:
                return refuse(c, 413, "Payload Too Large");
            case RequestHead::State::LengthRequired:
                return refuse(c, 411, "Length Required");
            case RequestHead::State::Bad:
                return refuse(c, 400, "Bad Request");
        }
    }
    if (!c.registered) {
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.ptr = &c;
        c.registered = epoll_ctl(epoll_, EPOLL_CTL_ADD, c.fd, &ev) == 0;
    }
    return true;
}

void GuardedServer::handOff(Connection& c) {
    if (c.registered) epoll_ctl(epoll_, EPOLL_CTL_DEL, c.fd, nullptr);
    c.registered = false;
    reading_.erase(&c);
    c.range = c.head.takeRange(c.buffer);
    c.requestSize = c.head.headSize() + c.head.bodySize();
    const auto kind = size_t(c.head.kind());
    {
        std::lock_guard<std::mutex> lock(mutex_);
        c.phase = Connection::Phase::Queued;
        c.queuedAt = Clock::now();
        queues_[kind].push_back(&c);
    }
    queued_[kind].notify_one();
}

bool GuardedServer::refuse(Connection& c, int status, const char* reason) {
    sendQuietly(c.fd, status, reason);
    note(c, std::to_string(status) + " " + reason);
    // What the client still sends is read and dropped for a moment, so that
    // it sees the answer rather than a reset.
    ::shutdown(c.fd, SHUT_WR);
    c.phase = Connection::Phase::Draining;
    std::string().swap(c.buffer);
    account(c);
    c.deadline = Clock::now() + kDrainTime;
    return advance(c);
}

void GuardedServer::expire() {
    const auto now = lastExpiry_ = Clock::now();
    std::vector<Connection*> cut;
    for (Connection* c : reading_)
        if (c->deadline <= now) cut.push_back(c);
    for (Connection* c : cut) {
        reading_.erase(c);
        // A kept-alive connection that stays idle simply ends.
        if (c->phase == Connection::Phase::Reading && !c->buffer.empty())
            note(*c, "cut: the request did not arrive in time");
        close(c);
    }
    std::vector<Connection*> late;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto& q : queues_)
            while (!q.empty() && now - q.front()->queuedAt >= limits_.queueTime) {
                late.push_back(q.front());
                q.pop_front();
            }
    }
    for (Connection* c : late) {
        sendQuietly(c->fd, 503, "Service Unavailable");
        note(*c, "503: no request thread was free in time");
        close(c);
    }
}

}  // namespace site
