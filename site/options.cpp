#include "options.h"

#include <cstdlib>
#include <fstream>

namespace site {

const char kUsage[] =
    "usage: kestrel-site [--port N] [--listen ADDRESS] [--db PATH] FOLDER...\n"
    "Serves a search site over the audio files under FOLDER (default: the XDG music folder).\n"
    "  --port N          port to listen on (default 8351; 0 picks a free one)\n"
    "  --listen ADDRESS  address to listen on (default 127.0.0.1)\n"
    "  --db PATH         the index file (default $XDG_CACHE_HOME/kestrel-site/index.sqlite)\n"
    "The base address is printed on stdout once the site listens; one line per request goes\n"
    "to stderr. Changes under the folders are seen as they happen; SIGHUP or POST /reindex\n"
    "from loopback also re-reads them; SIGTERM stops.\n";

bool parseOptions(int argc, char** argv, Options& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--port") {
            std::string v;
            if (!value(v)) return false;
            char* end = nullptr;
            long port = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end || port < 0 || port > 65535) {
                error = "bad port: " + v;
                return false;
            }
            options.port = int(port);
        } else if (arg == "--listen") {
            if (!value(options.listen)) return false;
        } else if (arg == "--db") {
            if (!value(options.db)) return false;
        } else if (arg == "--") {
            for (++i; i < argc; ++i) options.folders.push_back(argv[i]);
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option: " + arg;
            return false;
        } else {
            options.folders.push_back(arg);
        }
    }
    return true;
}

std::string defaultMusicFolder() {
    const char* home = std::getenv("HOME");
    std::string h = home ? home : "";
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string dirs = (config && *config ? std::string(config) : h + "/.config") + "/user-dirs.dirs";
    std::ifstream in(dirs);
    for (std::string line; std::getline(in, line);) {
        const std::string key = "XDG_MUSIC_DIR=\"";
        if (line.rfind(key, 0) != 0) continue;
        std::string v = line.substr(key.size());
        if (size_t q = v.find('"'); q != std::string::npos) v.resize(q);
        if (v.rfind("$HOME", 0) == 0) v = h + v.substr(5);
        if (!v.empty() && v[0] == '/' && v != h && v != h + "/") return v;
    }
    return h + "/Music";
}

}  // namespace site
