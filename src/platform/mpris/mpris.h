// The desktop's media-player interface (MPRIS 2) on the session bus, so that
// media keys, desktop widgets and playerctl can steer the player, and the
// player's own interface beside it, through which a later start hands its
// files to the player that runs. Backed by QtDBus; no Qt type leaks out.
//
// The bus name is the lock of "one player per session": `start` takes it or
// reports who has it, and only one process can hold it.
//
// Threads: UI thread only (the one that called gui::init). Method calls and
// property reads and writes from the bus arrive while the toolkit processes
// events, that is inside gui::waitWindowEvent (or a modal dialog's loop), and
// are handed to the program's callbacks there.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mpris {

enum class Command { Play, Pause, PlayPause, Stop, Next, Previous, Raise, Quit };

enum class Playback { Stopped, Playing, Paused };

// What the bus is told about the player.
struct Status {
    Playback playback = Playback::Stopped;
    std::string title;     // xesam:title; empty: no metadata
    std::string artist;    // xesam:artist; empty: none
    std::string album;     // xesam:album; empty: none
    std::string artUrl;    // mpris:artUrl (a file:// address); empty: none
    int64_t lengthUs = 0;  // mpris:length; 0: not known
    double volume = 0.0;   // 0 to 1
    bool canGoNext = false;
    bool canGoPrevious = false;
    bool canSeek = false;  // the sound can be moved (a file; not a live stream)
    friend bool operator==(const Status&, const Status&) = default;
};

struct Player {
    std::string identity;                // the player's name for people
    std::string desktopEntry;            // the desktop entry's file name without ".desktop"
    std::vector<std::string> mimeTypes;  // what it opens
    std::function<void(Command)> command;
    std::function<void(double)> setVolume;     // 0 to 1, already clamped
    std::function<int64_t()> position;         // microseconds into the track, read when asked
    std::function<void(int64_t)> setPosition;  // within the track, asked only while it can seek
    std::function<void(int64_t)> seekBy;       // microseconds, either way; only while it can seek
    // OpenUri gives one item, the player's own Open a list (after which the
    // window is raised as well): paths, file:// and http(s) addresses.
    std::function<void(const std::vector<std::string>&, bool raise)> open;
};

enum class Claim {
    Owned,  // this process now holds org.mpris.MediaPlayer2.<suffix> and answers on it
    Taken,  // another process holds the name: hand over to it
    NoBus,  // no session bus: no media controls, and no way to find another player
};

// Registers the object /org/mpris/MediaPlayer2 and asks for the name
// org.mpris.MediaPlayer2.<busSuffix>, never queueing for it.
Claim start(const std::string& busSuffix, Player player);
bool running();

enum class Handover {
    Done,      // the player that holds the name took the items
    NoAnswer,  // it did not answer within the time given (stopped or hung)
    Gone,      // nobody holds the name any more (it just ended): claim it again
    Failed,    // it answered with an error (an older player without the interface)
};
// Gives `items` to the process that holds the name and asks it to raise its
// window; waits at most timeoutMs for its answer. `ownerPid` receives that
// process's id when the bus knows it (0 otherwise).
Handover handOver(const std::string& busSuffix, const std::vector<std::string>& items, int timeoutMs,
                  uint32_t* ownerPid);

// Publishes the player's state; properties that changed since the last call
// are announced with PropertiesChanged, as widgets expect.
void publish(const Status& status);
// Announces that the position jumped (after a seek), as the Seeked signal.
void seeked(int64_t positionUs);
// Leaves the bus (shutdown and tests).
void stop();

}  // namespace mpris
