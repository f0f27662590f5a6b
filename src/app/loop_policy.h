// When the loop may sleep. After each pass the loop tells the policy what
// the pass saw; the policy answers with the moment the next wait must end
// at the latest. Plain C++ on the monotonic clock: it reads no state of its
// own accord and calls nothing.
//
// The rules, most wakeful first:
// - the pointer over our windows, an event handled in the last linger, a
//   worker (download, recording) or the video window: the 10 ms pace, at
//   which hover feedback, drags and a worker's progress show;
// - a sound alone, nobody touching the window: wake when the refresh is due
//   (it draws the sound's progress, and the pass before it notices the
//   sound's end), at least 10 ms apart; but with the window unseen and a
//   library that tells of a sound's end by waking the wait, not at all:
//   nothing is drawn, and the end comes as a wake-up;
// - the linger, 100 ms after the last of the above or a wake-up: the
//   10 ms pace, so that what an event or a sound's end set going (the next
//   track, a network change) is polled and drawn before the loop sleeps;
// - nothing at all: no deadline; the loop sleeps until something happens.
#pragma once

#include <chrono>

namespace loop {

using Clock = std::chrono::steady_clock;
// No deadline: sleep until an event, a watched descriptor or a wake-up.
inline constexpr Clock::time_point kNever = Clock::time_point::max();
// The pass's pace: a pass at least every 10 ms while anything is going on.
inline constexpr auto kPace = std::chrono::milliseconds(10);
// How long the pace outlasts its cause.
inline constexpr auto kLinger = std::chrono::milliseconds(100);

// What one pass saw, as it ends.
struct Facts {
    Clock::time_point now;
    bool eventHandled = false;  // the pass handled an event from the wait
    bool woken = false;         // a descriptor or a wake-up woke the wait
    bool pointerOver = false;   // the pointer is over one of our windows
    bool working = false;       // a download or recording, or the video window, runs
    bool soundPlaying = false;  // the channel plays
    // Whether the main window can be seen, and whether the end of a sound
    // wakes the wait by itself. With the window unseen and such an end, a
    // sound alone needs no pace: nothing is drawn, and its end comes as a
    // wake-up.
    bool windowVisible = true;
    bool soundEndWakes = false;
    Clock::time_point refreshDue = kNever;  // when the next wait runs a program timer (the refresh)
};

class Policy {
  public:
    // A policy for a loop that starts at `start`: it keeps the pace for a
    // linger, as after an event, so that start-up's pictures reach the screen.
    explicit Policy(Clock::time_point start)
        : awakeUntil_(start + kLinger), fullPaceUntil_(start + kLinger) {}

    // When the next wait must end at the latest (kNever: when something happens).
    Clock::time_point sleepUntil(const Facts& facts);

  private:
    Clock::time_point awakeUntil_;     // not before this, the loop does not sleep
    Clock::time_point fullPaceUntil_;  // not before this, a sound alone keeps the 10 ms pace
};

}  // namespace loop
