#include "watcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

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

void Watcher::watch(const std::vector<std::string>& folders) {
    if (inotify_ < 0) return;
    const uint32_t mask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ATTRIB |
                          IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    bool all = true;
    for (const std::string& dir : folders)
        if (inotify_add_watch(inotify_, dir.c_str(), mask) < 0 && errno == ENOSPC) all = false;
    if (complete_.exchange(all) && !all)
        log_(
            "kestrel-site: the system's file watch limit is reached; the folders are rescanned every minute");
    // The watcher's thread waits for events only while every folder is watched.
    uint64_t one = 1;
    if (!all && ::write(wake_, &one, sizeof one) < 0) {
    }
}

void Watcher::run() {
    using Clock = std::chrono::steady_clock;
    bool pending = false;
    Clock::time_point lastEvent{}, lastRescan = Clock::now();
    alignas(inotify_event) char buf[16384];
    for (;;) {
        const bool complete = complete_;
        auto now = Clock::now();
        auto due = pending ? lastEvent + kQuiet : lastRescan + kFallbackPeriod;
        int timeout = !pending && complete
                          ? -1
                          : int(std::max<int64_t>(
                                0, std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count()));
        pollfd fds[2] = {{wake_, POLLIN, 0}, {inotify_, POLLIN, 0}};
        if (::poll(fds, inotify_ >= 0 ? 2 : 1, timeout) < 0 && errno != EINTR) return;
        if (fds[0].revents) {
            if (stopping_) return;
            uint64_t n;
            if (::read(wake_, &n, sizeof n) < 0) {
            }
            continue;
        }
        if (inotify_ >= 0 && fds[1].revents) {
            while (::read(inotify_, buf, sizeof buf) > 0) {
            }
            pending = true;
            lastEvent = Clock::now();
            continue;
        }
        now = Clock::now();
        if ((pending && now >= lastEvent + kQuiet) || (!complete && now >= lastRescan + kFallbackPeriod)) {
            pending = false;
            changed_();  // rescans, and renews the watches
            lastRescan = Clock::now();
        }
    }
}

}  // namespace site
