#include "app/loop_policy.h"

#include <algorithm>

namespace loop {

Clock::time_point Policy::sleepUntil(const Facts& f) {
    const bool sound = f.soundPlaying && (f.windowVisible || !f.soundEndWakes);
    // The linger counts from the end of the pass that saw its cause: that
    // pass may have run a modal dialog for seconds and started a sound no
    // poll has seen yet.
    if (f.working || sound || f.pointerOver || f.eventHandled || f.woken) awakeUntil_ = f.now + kLinger;
    if (f.working || f.pointerOver || f.eventHandled) fullPaceUntil_ = f.now + kLinger;

    if (!f.working && !sound && !f.pointerOver && f.now >= awakeUntil_) return kNever;
    // A sound alone shows only through the refresh: wake when it is due, so
    // that the pass before it polls what it then draws.
    if (sound && !f.working && !f.pointerOver && f.now >= fullPaceUntil_ && f.refreshDue != kNever)
        return std::max(f.now + kPace, f.refreshDue);
    return f.now + kPace;
}

}  // namespace loop
