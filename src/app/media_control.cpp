// The desktop's commands enter the loop as the window's own buttons would:
// play, pause and play-pause as a click on PlayButton, next and previous as
// clicks on their hotspots, quit as a click on CloseButton, a volume as a
// drag on VolumeBar to the matching point. Stop pauses and goes back to the
// start, and is told as "Stopped" until the sound plays again. Seeks go to
// the channel. What the desktop is told is read from AppState and the audio
// library on a timer.
#include "app/media_control.h"

#include "app/next_track.h"
#include "app/open_items.h"
#include "audio/playback.h"
#include "library/local_files.h"
#include "platform/gui/gui.h"
#include "platform/text/percent.h"
#include "state/app_state.h"
#include "ui/ids.h"

namespace {

constexpr int kPublishTimer = 1;  // a timer id of MainWindow
// Widgets follow a change within 200 ms: the period and the slack by which
// the publishing waits for the refresh's wake-up rather than make its own.
constexpr int kPublishPeriodMs = 165;
constexpr int kPublishSlackMs = 35;

// Stop was asked and the sound has stayed paused since.
bool stopped = false;
mpris::Status published;

void click(int control) {
    gui::postEvent({gui::EventKind::Control, win::MainWindow, control, gui::ControlEventType::Left});
}

bool paused() {
    return appState.pauseOn != 0;
}

void seekToUs(int64_t us) {
    seekTo(static_cast<uint32_t>(us / 1000));
    appState.positionMs = static_cast<uint32_t>(us / 1000);
    mpris::seeked(us);
}

void onCommand(mpris::Command command) {
    switch (command) {
        case mpris::Command::PlayPause:
            click(ctl::PlayButton);
            break;
        case mpris::Command::Play:
            if (paused()) click(ctl::PlayButton);
            break;
        case mpris::Command::Pause:
            if (!paused()) click(ctl::PlayButton);
            break;
        // The window has no stop: the sound pauses at its start.
        case mpris::Command::Stop:
            if (!appState.channelPlaying) break;
            if (!paused()) click(ctl::PlayButton);
            if (published.canSeek) seekToUs(0);
            stopped = true;
            break;
        case mpris::Command::Next:
            click(ctl::NextButton);
            break;
        case mpris::Command::Previous:
            click(ctl::PreviousButton);
            break;
        case mpris::Command::Raise:
            requestOpen({}, true);
            break;
        case mpris::Command::Quit:
            click(ctl::CloseButton);
            break;
    }
}

// A past the end goes to the next track, as the interface asks.
void seekByUs(int64_t offsetUs) {
    const int64_t target = int64_t(appState.positionMs) * 1000 + offsetUs;
    if (published.lengthUs > 0 && target > published.lengthUs)
        click(ctl::NextButton);
    else
        seekToUs(target < 0 ? 0 : target);
}

// A path as a file:// address: bytes other than unreserved ones and "/"
// percent-encoded.
std::string fileAddress(const std::string& path) {
    return "file://" + text::percentEncode(path, [](unsigned char c) {
               return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
           });
}

mpris::Status currentStatus() {
    if (!paused()) stopped = false;
    mpris::Status status;
    if (stopped)
        status.playback = mpris::Playback::Stopped;
    else if (paused())
        status.playback = mpris::Playback::Paused;
    else if (appState.channelPlaying)
        status.playback = mpris::Playback::Playing;
    const SoundInfo sound = playingSoundInfo();
    // A station's now-playing title first, then the file's own tags, then the row's title.
    if (!appState.nowPlayingTitle.empty())
        status.title = appState.nowPlayingTitle;
    else if (!sound.title.empty())
        status.title = sound.title;
    else
        status.title = appState.playingTitle;
    status.artist = sound.artist;
    status.album = sound.album;
    // The photo beside the files of mp3 mode belongs to what plays there.
    const bool localFile = appState.playingList == static_cast<int32_t>(PlayingList::LocalFiles);
    if (localFile && !albumPhotoFile().empty()) status.artUrl = fileAddress(albumPhotoFile());
    status.lengthUs = int64_t(sound.lengthMs) * 1000;
    status.canSeek = appState.channelPlaying && sound.seekable && sound.lengthMs > 0;
    status.volume = appState.muteOn ? 0.0 : appState.volume;
    // A row has been played: there is a list to move along.
    status.canGoNext = status.canGoPrevious = appState.playingList != 0;
    return status;
}

void publish() {
    published = currentStatus();
    mpris::publish(published);
}

}  // namespace

mpris::Claim claimMediaControl() {
    mpris::Player player;
    player.identity = "Kestrel Player";
    player.desktopEntry = KESTREL_APP_ID;
    // The types the desktop entry offers "Open with" for.
    for (std::string_view types = KESTREL_MIME_TYPES; !types.empty();) {
        const size_t comma = types.find(',');
        player.mimeTypes.emplace_back(types.substr(0, comma));
        types = comma == std::string_view::npos ? std::string_view() : types.substr(comma + 1);
    }
    player.command = onCommand;
    player.setVolume = setVolumeLevel;
    player.position = [] { return int64_t(appState.positionMs) * 1000; };
    player.setPosition = seekToUs;
    player.seekBy = seekByUs;
    player.open = requestOpen;
    return mpris::start(kMediaBusSuffix, std::move(player));
}

void startMediaControl() {
    if (!mpris::running()) return;
    publish();
    gui::startTimer(
        win::MainWindow, kPublishTimer, kPublishPeriodMs, [] { publish(); }, kPublishSlackMs);
}

void announceSeek(int64_t positionMs) {
    if (published.canSeek) mpris::seeked(positionMs * 1000);
}

void stopMediaControl() {
    mpris::stop();
    stopped = false;
    published = {};
}
