// When the loop may sleep, from what a pass saw: no toolkit, no clock but
// the one the facts carry.
#include "app/loop_policy.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

const loop::Clock::time_point t0{1000s};
constexpr long kNever = -1;

loop::Facts at(std::chrono::milliseconds after) {
    loop::Facts f;
    f.now = t0 + after;
    return f;
}

// The deadline the policy sets, in ms after t0; kNever for none.
long wakeAt(loop::Policy& policy, const loop::Facts& facts) {
    const auto until = policy.sleepUntil(facts);
    return until == loop::kNever ? kNever : long((until - t0) / 1ms);
}

}  // namespace

TEST(LoopPolicy, NothingGoingOnSleepsOnceTheLingerOfAnEventOrAWakeUpIsOver) {
    loop::Policy policy(t0);
    EXPECT_EQ(wakeAt(policy, at(50ms)), 60);  // start-up's linger
    EXPECT_EQ(wakeAt(policy, at(100ms)), kNever);

    auto event = at(200ms);
    event.eventHandled = true;
    EXPECT_EQ(wakeAt(policy, event), 210);
    EXPECT_EQ(wakeAt(policy, at(290ms)), 300);
    EXPECT_EQ(wakeAt(policy, at(300ms)), kNever);

    auto woken = at(400ms);
    woken.woken = true;
    EXPECT_EQ(wakeAt(policy, woken), 410);
    EXPECT_EQ(wakeAt(policy, at(500ms)), kNever);
}

TEST(LoopPolicy, ASoundAloneWakesForTheRefreshOthersKeepThePaceAndItsEndLingers) {
    loop::Policy policy(t0);
    auto sound = [](std::chrono::milliseconds after, std::chrono::milliseconds refresh) {
        auto f = at(after);
        f.soundPlaying = true;
        f.refreshDue = t0 + refresh;
        return f;
    };
    EXPECT_EQ(wakeAt(policy, sound(50ms, 70ms)), 60);  // start-up's full pace first
    EXPECT_EQ(wakeAt(policy, sound(100ms, 135ms)), 135);
    EXPECT_EQ(wakeAt(policy, sound(135ms, 137ms)), 145);  // never faster than the pace

    // The pointer, an event or a worker: the pass's pace, an event's for a linger.
    auto pointer = sound(150ms, 170ms);
    pointer.pointerOver = true;
    EXPECT_EQ(wakeAt(policy, pointer), 160);
    auto event = sound(200ms, 205ms);
    event.eventHandled = true;
    EXPECT_EQ(wakeAt(policy, event), 210);
    EXPECT_EQ(wakeAt(policy, sound(290ms, 310ms)), 300);
    EXPECT_EQ(wakeAt(policy, sound(300ms, 310ms)), 310);
    auto worker = sound(400ms, 420ms);
    worker.working = true;
    EXPECT_EQ(wakeAt(policy, worker), 410);

    // The sound ends: the loop keeps the pace until the next one is started.
    EXPECT_EQ(wakeAt(policy, sound(500ms, 520ms)), 520);
    EXPECT_EQ(wakeAt(policy, at(520ms)), 530);
    EXPECT_EQ(wakeAt(policy, at(590ms)), 600);
    EXPECT_EQ(wakeAt(policy, at(600ms)), kNever);
}

TEST(LoopPolicy, UnseenASoundWhoseEndWakesTheLoopIsNotPacedShownItIsPacedForTheRefreshAgain) {
    loop::Policy policy(t0);
    auto sound = [](std::chrono::milliseconds after, bool seen, bool endWakes) {
        auto f = at(after);
        f.soundPlaying = true;
        f.windowVisible = seen;
        f.soundEndWakes = endWakes;
        f.refreshDue = t0 + after + 35ms;
        return f;
    };
    EXPECT_EQ(wakeAt(policy, sound(200ms, false, true)), kNever);  // nothing to draw, the end will wake it
    EXPECT_EQ(wakeAt(policy, sound(300ms, false, false)),
              335);                                            // a library that cannot tell: poll for the end
    EXPECT_EQ(wakeAt(policy, sound(400ms, true, true)), 435);  // shown: the refresh's pace at once

    // A wake-up while unseen (the end, a title) lingers, then the loop sleeps again.
    auto woken = sound(600ms, false, true);
    woken.woken = true;
    EXPECT_EQ(wakeAt(policy, woken), 610);
    EXPECT_EQ(wakeAt(policy, sound(700ms, false, true)), kNever);
}
