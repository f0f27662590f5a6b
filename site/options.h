// The command line: kestrel-site [--port N] [--listen ADDRESS] [--db PATH] FOLDER...
#pragma once

#include <string>
#include <vector>

namespace site {

struct Options {
    std::string listen = "127.0.0.1";  // loopback unless asked otherwise
    int port = 8351;                   // 0: any free port (the chosen one is printed)
    std::string db;                    // the stored index; empty: the default (see defaultDbPath)
    std::vector<std::string> folders;  // empty: the user's music folder
    bool help = false;
};

// Parses argv; on a bad argument returns false and sets `error`.
bool parseOptions(int argc, char** argv, Options& options, std::string& error);

// The user's XDG music folder: XDG_MUSIC_DIR of user-dirs.dirs, else ~/Music.
std::string defaultMusicFolder();

extern const char kUsage[];

}  // namespace site
