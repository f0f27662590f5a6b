// How the library tells its caller's loop that the channel changed, so that
// the loop may sleep instead of polling: one descriptor the caller watches,
// readable once something happened (a sound heard to its end, an open or a
// reconnection that failed, a local file that stalled for good, a new
// stream title). It is a timerfd, so that an end can be told at the moment
// it is heard rather than when its last audio is handed to the output.
#pragma once

#include <chrono>
#include <mutex>

namespace kaudio {

class Wakeup {
  public:
    using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC, as the timerfd's

    Wakeup();  // the descriptor is -1 if the system gave none: then nothing is told
    ~Wakeup();
    Wakeup(const Wakeup&) = delete;
    Wakeup& operator=(const Wakeup&) = delete;

    int descriptor() const { return fd_; }
    // Any thread, also the output's (a syscall under a lock held for it
    // alone). Makes the descriptor readable now, or at `when`; a wake-up
    // already due earlier stands.
    void now() { at(Clock::now()); }
    void at(Clock::time_point when);

  private:
    int fd_ = -1;
    std::mutex mutex_;
    Clock::time_point armed_ = Clock::time_point::max();  // guarded by mutex_
};

}  // namespace kaudio
