// The user's settings file: an INI file of text values keyed "group/key",
// read once and written whole. Backed by QSettings; no Qt type leaks out.
//
// Threads: any, one call at a time. Each call reads or writes the file
// before it returns.
#pragma once

#include <map>
#include <string>

namespace settings {

using Values = std::map<std::string, std::string>;

struct ReadResult {
    Values values;
    // The file is there but could not be read, or not as INI: `values`
    // holds what could be made out of it, if anything.
    bool damaged = false;
};

// An absent file reads as no values, undamaged.
ReadResult read(const std::string& path);
// Replaces the file by one holding exactly `values`: written beside it and
// renamed over it, so that a crash leaves the old file or the new one; its
// folder is made when missing. False when it could not be written.
bool write(const std::string& path, const Values& values);

// $XDG_CONFIG_HOME/kestrel-player/kestrel-player.conf, XDG_CONFIG_HOME
// being ~/.config when unset or not absolute.
std::string playerSettingsPath();
// The user's music folder (XDG_MUSIC_DIR of user-dirs.dirs, else ~/Music).
std::string musicFolder();

}  // namespace settings
