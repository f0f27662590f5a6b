#include "watcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

namespace site {

Watcher::Watcher(std::function<void()> changed, std::function<void(const std::string&)> log)
    : changed_(std::move(changed)), log_(std::move(log)) {
    inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    wake_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (inotify_ < 0) {
        complete_ = false;
        log_("kestrel-site: no file watch; the folders are rescanned every minute");
    }
    thread_ = std::thread([this] { run(); });
}

Watcher::~Watcher() {
    stopping_ = true;
    uint64_t one = 1;
    if (wake_ >= 0 && ::write(wake_, &one, sizeof one) < 0) {
    }
    thread_.join();
    if (inotify_ >= 0) ::close(inotify_);
    if (wake_ >= 0) ::close(wake_);
}

bool Watcher::add(const std::string& folder) {
    if (inotify_ < 0) return false;
    const uint32_t mask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ATTRIB |
                          IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    return inotify_add_watch(inotify_, folder.c_str(), mask) >= 0 || errno != ENOSPC;
}

void Watcher::walked(bool all) {
    if (inotify_ < 0) return;
    if (complete_.exchange(all) && !all)
        log_(
            "kestrel-site: the system's file watch limit is reached; the folders are rescanned every minute");
    // The watcher's thread waits for events only while every folder is watched.
    uint64_t one = 1;
    if (!all && ::write(wake_, &one, sizeof one) < 0) {
    }
}

void Watcher::changeSoon() {
    soon_ = true;
    uint64_t one = 1;
    if (::write(wake_, &one, sizeof one) < 0) {
    }
}

void Watcher::run() {
    using Clock = std::chrono::steady_clock;
    bool pending = false;
    Clock::time_point firstEvent{}, lastEvent{}, lastRescan = Clock::now();
    alignas(inotify_event) char buf[16384];
    for (;;) {
        const bool complete = complete_;
        auto now = Clock::now();
        auto due =
            pending ? std::min(lastEvent + kQuiet, firstEvent + kLongest) : lastRescan + kFallbackPeriod;
        int timeout = !pending && complete
                          ? -1
                          : int(std::max<int64_t>(
                                0, std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count()));
        pollfd fds[2] = {{wake_, POLLIN, 0}, {inotify_, POLLIN, 0}};
        if (::poll(fds, inotify_ >= 0 ? 2 : 1, timeout) < 0 && errno != EINTR) return;
        bool event = false;
        if (fds[0].revents) {
            if (stopping_) return;
            uint64_t n;
            if (::read(wake_, &n, sizeof n) < 0) {
            }
            event = soon_.exchange(false);
        }
        if (inotify_ >= 0 && fds[1].revents) {
            while (::read(inotify_, buf, sizeof buf) > 0) {
            }
            event = true;
        }
        now = Clock::now();
        if (event) {
            if (!pending) firstEvent = now;
            pending = true;
            lastEvent = now;
            continue;
        }
        if ((pending && (now >= lastEvent + kQuiet || now >= firstEvent + kLongest)) ||
            (!complete && now >= lastRescan + kFallbackPeriod)) {
            pending = false;
            changed_();  // rescans; its walk renews the watches
            lastRescan = Clock::now();
        }
    }
}

}  // namespace site
