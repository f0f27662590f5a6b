#include "app/command_line.h"

#include <cstdio>
#include <cstring>

#include "ui/layout.h"

namespace {

constexpr const char* kUsage =
    "Usage: kestrel-player [--help | --version | --layout] [--] [FILE | FOLDER | URL]...\n"
    "\n"
    "Kestrel Player: a skinned media player with music search, internet radio\n"
    "and mp3 folders. It reads and writes inet_radio.pls, its pictures and the\n"
    "artist index in its working directory; started from the desktop menu it\n"
    "runs in $XDG_DATA_HOME/kestrel-player.\n"
    "\n"
    "An audio file (or a file:// address) opens mp3 mode on its folder and\n"
    "plays; a folder plays its first audio file; an http or https address joins\n"
    "the playlist and plays. Of several, the first that can be opened plays.\n"
    "One player runs per desktop session: a later start hands what it names to\n"
    "the player that runs, which raises its window, and ends.\n"
    "\n"
    "  --help      print this text and exit\n"
    "  --version   print the version and exit\n"
    "  --layout    print the window's layout (every control's place in each\n"
    "              mode, the canvases, the bars, the icon columns) as JSON\n"
    "              and exit\n"
    "\n"
    "Environment: KESTREL_SITE_URL (the music search site, by default\n"
    "http://127.0.0.1:8351/), KESTREL_SAVE_DIR (where saved tracks go; the\n"
    "working directory when unset), KESTREL_VIDEO_URL, KESTREL_SCRIPT_URL.\n"
    "See kestrel-player(1).\n";

}  // namespace

bool printedInformation(int argc, char** argv, int& status) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) break;
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            status = 0;
            return true;
        }
        if (std::strcmp(argv[i], "--layout") == 0) {
            std::fputs(layout::json().c_str(), stdout);
            status = 0;
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("kestrel-player %s\n", KESTREL_VERSION);
            status = 0;
            return true;
        }
        // A lone "-" is a name, as for most programs' files.
        if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::fprintf(stderr, "kestrel-player: unknown option '%s'\n\n", argv[i]);
            std::fputs(kUsage, stderr);
            status = 2;
            return true;
        }
    }
    return false;
}

std::vector<std::string> commandLineItems(int argc, char** argv) {
    std::vector<std::string> items;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        if (options && std::strcmp(argv[i], "--") == 0) {
            options = false;
            continue;
        }
        items.emplace_back(argv[i]);
    }
    return items;
}
