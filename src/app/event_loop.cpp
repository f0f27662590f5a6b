// The polling loop: one event (or the wait's deadline), the per-pass polls,
// the dispatch, the hover feedback, the secondary windows' close requests;
// after each pass the pacing policy sets the next wait's deadline.
#include <cstdio>
#include <cstdlib>

#include "app/dispatch.h"
#include "app/keys.h"
#include "app/loop_policy.h"
#include "app/next_track.h"
#include "app/program.h"
#include "audio/playback.h"
#include "online/download.h"
#include "online/video_view.h"
#include "platform/gui/gui.h"
#include "state/app_state.h"
#include "ui/hover.h"
#include "ui/ids.h"

bool loopPass(std::chrono::steady_clock::time_point wakeBy) {
    const gui::Event event = gui::waitWindowEvent(wakeBy);
    appState.event = int32_t(event.kind);
    appState.eventWindow = event.window;
    appState.eventControl = event.control;
    appState.eventType = int32_t(event.type);
    const gui::Point mouse = gui::mouseInClient(win::MainWindow);
    appState.mouseX = mouse.x;
    appState.mouseY = mouse.y;

    if (appState.videoWindowOpen == 1 && event.kind == gui::EventKind::WindowResized) resizeVideoBrowser();

    pollPlayback();
    advanceAfterStop();

    if (event.kind == gui::EventKind::LeftButtonDown && event.window == win::MainWindow)
        gui::startWindowDrag(win::MainWindow);

    if (event.kind == gui::EventKind::Control && !dispatchControlEvent(event.control, int(event.type)))
        return false;
    if ((event.kind == gui::EventKind::Key || event.kind == gui::EventKind::Wheel) &&
        !dispatchKeyOrWheel(event))
        return false;

    // Hover decides when the pointer drags the volume bar; playback sets the level.
    if (const std::optional<int32_t> x = UpdateHoverFeedback(appState.event, appState.eventControl))
        setVolumeFromBar(*x);

    if (event.kind == gui::EventKind::CloseRequest) {
        switch (event.window) {
            case win::ArtistIndexWindow:
            case win::PlaylistEditWindow:
                gui::destroyWindow(event.window);
                break;
            case win::VideoWindow:
                closeVideoWindow();
                appState.videoWindowOpen = 0;
                break;
            default:
                break;  // MainWindow closes only through CloseButton
        }
    }
    return true;
}

bool loopPass() {
    return loopPass(loop::Clock::now() + loop::kPace);
}

namespace {

loop::Facts passFacts() {
    loop::Facts facts;
    facts.now = loop::Clock::now();
    facts.eventHandled = appState.event != int32_t(gui::EventKind::None);
    facts.woken = gui::lastWaitWoken();
    facts.pointerOver = gui::pointerOverWindows();
    facts.working =
        downloadRunning() || appState.recordingActive.load() != 0 || appState.videoWindowOpen != 0;
    // A sound the advance has just started counts as playing before any
    // poll has seen it: its open may have taken longer than the linger, and
    // a failed one must still be passed over.
    facts.soundPlaying = appState.channelPlaying != 0 || appState.streamUnheard != 0;
    facts.windowVisible = gui::windowVisible(win::MainWindow);
    facts.refreshDue = gui::nextTimerDue();
    return facts;
}

}  // namespace

void runEventLoop() {
    // Benchmarks ask the program to say when its window is up, then end.
    if (std::getenv("KESTREL_EXIT_WHEN_SHOWN")) {
        loopPass();
        std::puts("shown");
        std::fflush(stdout);
        return;
    }
    // With nothing playing or opening, no worker and nobody at the window,
    // the wait sleeps until the user, the network state or the toolkit has
    // something; a sound alone wakes it at the refresh's pace.
    loop::Policy pacing(loop::Clock::now());
    auto wakeBy = loop::Clock::now() + loop::kPace;
    while (loopPass(wakeBy)) wakeBy = pacing.sleepUntil(passFacts());
}
