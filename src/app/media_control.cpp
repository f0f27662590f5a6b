// The desktop's commands enter the loop as the window's own buttons would:
// play, pause and play-pause as a click on PlayButton, next and previous as
// clicks on their hotspots, a volume as a drag on VolumeBar to the matching
// point. What the desktop is told is read from AppState on a timer.
#include "app/media_control.h"

#include "audio/playback.h"
#include "platform/gui/gui.h"
#include "platform/mpris/mpris.h"
#include "state/app_state.h"
#include "ui/ids.h"

namespace {

constexpr int kPublishTimer = 1;       // a timer id of MainWindow
constexpr int kPublishPeriodMs = 200;  // widgets follow a change within this

void click(int control) {
    gui::postEvent({gui::EventKind::Control, win::MainWindow, control, gui::ControlEventType::Left});
}

bool paused() {
    return appState.pauseOn != 0;
}

void onCommand(mpris::Command command) {
    switch (command) {
        case mpris::Command::PlayPause:
            click(ctl::PlayButton);
            break;
        case mpris::Command::Play:
            if (paused()) click(ctl::PlayButton);
            break;
        // The window has no stop: it pauses, which keeps the place.
        case mpris::Command::Pause:
        case mpris::Command::Stop:
            if (!paused()) click(ctl::PlayButton);
            break;
        case mpris::Command::Next:
            click(ctl::NextButton);
            break;
        case mpris::Command::Previous:
            click(ctl::PreviousButton);
            break;
    }
}

mpris::Status currentStatus() {
    mpris::Status status;
    if (paused())
        status.playback = mpris::Playback::Paused;
    else if (appState.channelPlaying)
        status.playback = mpris::Playback::Playing;
    status.title = appState.nowPlayingTitle.empty() ? appState.playingTitle : appState.nowPlayingTitle;
    status.lengthUs = int64_t(appState.trackLengthSeconds) * 1000000;
    status.positionUs = int64_t(appState.positionMs) * 1000;
    status.volume = appState.muteOn ? 0.0 : appState.volume;
    // A row has been played: there is a list to move along.
    status.canGoNext = status.canGoPrevious = appState.playingList != 0;
    return status;
}

}  // namespace

void startMediaControl() {
    mpris::Player player;
    player.identity = "Kestrel Player";
    player.desktopEntry = KESTREL_APP_ID;
    player.command = onCommand;
    player.setVolume = setVolumeLevel;
    if (!mpris::start("kestrel_player", std::move(player))) return;
    mpris::publish(currentStatus());
    gui::startTimer(win::MainWindow, kPublishTimer, kPublishPeriodMs,
                    [] { mpris::publish(currentStatus()); });
}

void stopMediaControl() {
    mpris::stop();
}
