// The polling loop: one event (or 10 ms without one), the per-pass polls,
// the dispatch, the hover feedback, the secondary windows' close requests.
#include <cstdio>
#include <cstdlib>

#include "app/dispatch.h"
#include "app/next_track.h"
#include "app/program.h"
#include "audio/playback.h"
#include "online/download.h"
#include "online/video_view.h"
#include "platform/gui/gui.h"
#include "state/app_state.h"
#include "ui/hover.h"
#include "ui/ids.h"

bool loopPass() {
    const gui::Event event = gui::waitWindowEvent(10);
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

void runEventLoop() {
    // Benchmarks ask the program to say when its window is up, then end.
    if (std::getenv("KESTREL_EXIT_WHEN_SHOWN")) {
        loopPass();
        std::puts("shown");
        std::fflush(stdout);
        return;
    }
    // Between passes the wait learns whether anything can change by itself:
    // with nothing playing or opening and no worker, it sleeps until the user,
    // the network state or the toolkit has something. A sound alone changes
    // only what the refresh draws and, at its end, what plays next: the
    // passes then keep the refresh's pace. A sound the advance has just
    // started counts as playing before any poll has seen it: its open may
    // have taken longer than the linger, and a failed one must still be
    // passed over.
    while (loopPass()) {
        const bool working =
            downloadRunning() || appState.recordingActive.load() != 0 || appState.videoWindowOpen != 0;
        const bool sounding = appState.channelPlaying != 0 || appState.streamUnheard != 0;
        gui::setLoopBusy(working || sounding, !working);
    }
}
