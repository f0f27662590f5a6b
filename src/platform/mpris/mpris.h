// The desktop's media-player interface (MPRIS 2) on the session bus, so that
// media keys, desktop widgets and playerctl can steer the player. Backed by
// QtDBus; no Qt type leaks out.
//
// Threads: UI thread only (the one that called gui::init). Method calls and
// property writes from the bus arrive while the toolkit processes events,
// that is inside gui::waitWindowEvent, and are handed to the program's
// callbacks there.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace mpris {

enum class Command { Play, Pause, PlayPause, Stop, Next, Previous };

enum class Playback { Stopped, Playing, Paused };

// What the bus is told about the player.
struct Status {
    Playback playback = Playback::Stopped;
    std::string title;       // xesam:title; empty: no metadata
    int64_t lengthUs = 0;    // mpris:length; 0: not known
    int64_t positionUs = 0;  // Position (read on demand, never announced)
    double volume = 0.0;     // 0 to 1
    bool canGoNext = false;
    bool canGoPrevious = false;
    friend bool operator==(const Status&, const Status&) = default;
};

struct Player {
    std::string identity;      // the player's name for people
    std::string desktopEntry;  // the desktop entry's file name without ".desktop"
    std::function<void(Command)> command;
    std::function<void(double)> setVolume;  // 0 to 1, already clamped
};

// Registers org.mpris.MediaPlayer2.<busSuffix> with the object
// /org/mpris/MediaPlayer2. Returns false when there is no session bus or the
// name is held by another process: the player runs on without it.
bool start(const std::string& busSuffix, Player player);
bool running();
// Publishes the player's state; properties that changed since the last call
// are announced with PropertiesChanged, as widgets expect.
void publish(const Status& status);
// Leaves the bus (shutdown and tests).
void stop();

}  // namespace mpris
