#include "app/open_items.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <utility>

#include "app/modes.h"
#include "app/next_track.h"
#include "library/local_files.h"
#include "library/playlist.h"
#include "platform/gui/gui.h"
#include "platform/text/percent.h"
#include "state/app_state.h"
#include "state/texts.h"
#include "ui/ids.h"

namespace {

bool startsWithNoCase(const std::string& text, const char* prefix) {
    for (size_t i = 0; prefix[i]; ++i)
        if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

// "scheme://…": letters, digits, "+", "-" and "." before "://", a letter first.
bool hasScheme(const std::string& text) {
    const size_t colon = text.find("://");
    if (colon == std::string::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(text[0])))
        return false;
    for (size_t i = 1; i < colon; ++i) {
        const char c = text[i];
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

std::string hostName() {
    char name[HOST_NAME_MAX + 1] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? name : "";
}

// The path of a file: address, or "" when it names another machine.
std::string pathOfFileAddress(const std::string& address) {
    std::string rest = address.substr(5);  // after "file:"
    if (rest.rfind("//", 0) == 0) {
        const size_t slash = rest.find('/', 2);
        const std::string host = rest.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
        if (!host.empty() && host != "localhost" && host != hostName()) return "";
        rest = slash == std::string::npos ? "/" : rest.substr(slash);
    }
    // Neither a query nor a fragment names a file.
    rest = rest.substr(0, rest.find_first_of("?#"));
    return rest.empty() || rest[0] != '/' ? "" : text::percentDecode(rest);
}

OpenItem localItem(OpenItem item) {
    struct stat info {};
    if (::stat(item.path.c_str(), &info) != 0) {
        item.kind = OpenItem::Kind::Missing;
        return item;
    }
    if (S_ISDIR(info.st_mode)) {
        std::string folder = item.path;
        if (folder.back() != '/') folder += '/';
        const std::vector<std::string> names = audioFilesIn(folder);
        item.kind = names.empty() ? OpenItem::Kind::NoAudio : OpenItem::Kind::Folder;
        if (!names.empty()) item.path = folder + names.front();
        return item;
    }
    const std::string name = item.path.substr(item.path.rfind('/') + 1);
    item.kind = isAudioFileName(name) ? OpenItem::Kind::File : OpenItem::Kind::NotAudio;
    return item;
}

// The playlist row whose address is `address`: added when there is none.
int playlistRowFor(const std::string& address) {
    for (size_t row = 0; row < appState.playlistEntries.size(); ++row)
        if (appState.playlistEntries[row].file == address) return static_cast<int>(row);
    appendPlaylistEntry({address, address});
    return static_cast<int>(appState.playlistEntries.size()) - 1;
}

std::vector<std::string> requested;
bool raiseRequested = false;

}  // namespace

std::string workingDirectory() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? buffer : "";
}

OpenItem readItem(const std::string& given, const std::string& cwd) {
    OpenItem item;
    item.given = given;
    item.path = given;
    if (startsWithNoCase(given, "http://") || startsWithNoCase(given, "https://")) {
        item.kind = OpenItem::Kind::Address;
        return item;
    }
    if (startsWithNoCase(given, "file:")) {
        item.path = pathOfFileAddress(given);
        if (item.path.empty()) {
            item.path = given;
            item.kind = OpenItem::Kind::BadAddress;
            return item;
        }
        return localItem(std::move(item));
    }
    if (hasScheme(given)) {
        item.kind = OpenItem::Kind::BadAddress;
        return item;
    }
    if (given.empty() || given[0] != '/') item.path = cwd + "/" + given;
    return localItem(std::move(item));
}

bool canOpen(const OpenItem& item) {
    return item.kind == OpenItem::Kind::File || item.kind == OpenItem::Kind::Folder ||
           item.kind == OpenItem::Kind::Address;
}

std::string openProblem(const OpenItem& item) {
    switch (item.kind) {
        case OpenItem::Kind::Missing:
            return texts::kNoSuchFile + item.given;
        case OpenItem::Kind::NoAudio:
            return texts::kNoAudioInFolder + item.given;
        case OpenItem::Kind::NotAudio:
            return texts::kNotAudioFile + item.given;
        case OpenItem::Kind::BadAddress:
            return texts::kAddressNotPlayable + item.given;
        default:
            return {};
    }
}

void openItems(const std::vector<std::string>& items) {
    const std::string cwd = workingDirectory();
    bool started = false;
    std::string problem;
    for (const std::string& given : items) {
        const OpenItem item = readItem(given, cwd);
        switch (item.kind) {
            case OpenItem::Kind::File:
            case OpenItem::Kind::Folder:
                if (started) break;
                started = true;
                if (!appState.mp3Mode) toggleMp3Mode();
                openLocalPath(item.path);
                break;
            case OpenItem::Kind::Address: {
                const int row = playlistRowFor(item.path);
                if (started) break;
                started = true;
                gui::listSelectRow(ctl::PlaylistList, row);
                playPlaylistEntry();
                break;
            }
            default:
                if (problem.empty()) problem = openProblem(item);
                break;
        }
    }
    // Nothing was started: what plays goes on, and the strip says why.
    if (!started && !problem.empty()) appState.statusNotice = problem;
}

void requestOpen(const std::vector<std::string>& items, bool raise) {
    requested.insert(requested.end(), items.begin(), items.end());
    raiseRequested = raiseRequested || raise;
    gui::wake();
}

void openRequestedItems() {
    if (raiseRequested) {
        raiseRequested = false;
        gui::raiseWindow(win::MainWindow);
    }
    if (requested.empty()) return;
    openItems(std::exchange(requested, {}));
}
