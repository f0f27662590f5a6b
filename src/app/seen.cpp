#include "app/seen.h"

#include "audio/display_refresh.h"
#include "audio/playback.h"
#include "platform/gui/gui.h"
#include "ui/ids.h"

bool mainWindowSeen() {
    return gui::windowSeen(win::MainWindow);
}

void startRefresh() {
    gui::startTimer(win::MainWindow, 0, 35, [] {
        if (mainWindowSeen()) refreshDisplay();
    });
    // Shown again after a while unseen: the pictures still hold what was
    // current when it went; they are drawn anew, from a fresh poll, before
    // the toolkit shows them.
    gui::onWindowSeen(win::MainWindow, [] {
        pollPlayback();
        refreshDisplay();
    });
}
