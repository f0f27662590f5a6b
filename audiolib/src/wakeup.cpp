#include "wakeup.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>

namespace kaudio {

Wakeup::Wakeup() : fd_(::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)) {}

Wakeup::~Wakeup() {
    if (fd_ >= 0) ::close(fd_);
}

void Wakeup::at(Clock::time_point when) {
    if (fd_ < 0) return;
    std::lock_guard lock(mutex_);
    // One that has come is over (the reader has been told or will be).
    if (armed_ <= Clock::now()) armed_ = Clock::time_point::max();
    if (when >= armed_) return;
    armed_ = when;
    // A zero expiry would disarm the timer: the earliest is one nanosecond.
    const auto ns = std::max<int64_t>(
        1, std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count());
    itimerspec expiry{};
    expiry.it_value.tv_sec = static_cast<time_t>(ns / 1000000000);
    expiry.it_value.tv_nsec = static_cast<long>(ns % 1000000000);
    ::timerfd_settime(fd_, TFD_TIMER_ABSTIME, &expiry, nullptr);
}

}  // namespace kaudio
