#include "app/single_instance.h"

#include <cstdio>
#include <utility>

#include "app/media_control.h"
#include "app/open_items.h"
#include "platform/mpris/mpris.h"

namespace {

// How long a later start waits for the running player to take its items.
// Longer than the player's UI thread is ever busy on purpose (a page fetch
// is bounded at 3 s), so only a stopped or hung player misses it. Then no
// second player starts: it would write the same files as the first.
constexpr int kAnswerMs = 5000;

int status = 1;
std::vector<std::string> commandLineItems;

const char* reason(OpenItem::Kind kind) {
    switch (kind) {
        case OpenItem::Kind::Missing:
            return "no such file or folder";
        case OpenItem::Kind::NoAudio:
            return "a folder without audio files";
        case OpenItem::Kind::NotAudio:
            return "not an audio file";
        case OpenItem::Kind::BadAddress:
            return "neither an http or https address nor a file of this machine";
        default:
            return "";
    }
}

// This process is the player: what cannot be opened is said on stderr; when
// nothing named can be, it does not start.
bool keepItems(const std::vector<std::string>& items) {
    const std::string cwd = workingDirectory();
    bool any = items.empty();
    for (const std::string& given : items) {
        const OpenItem item = readItem(given, cwd);
        if (canOpen(item))
            any = true;
        else
            std::fprintf(stderr, "kestrel-player: %s: %s\n", given.c_str(), reason(item.kind));
    }
    if (!any) return false;
    commandLineItems = items;
    return true;
}

}  // namespace

bool becomeThePlayer(const std::vector<std::string>& items) {
    const std::string cwd = workingDirectory();
    std::vector<std::string> handed;
    // As the player that runs must read them: a relative path is taken from
    // this process's working directory, not from the player's.
    for (const std::string& given : items) handed.push_back(readItem(given, cwd).path);
    // The owner may end between the two calls: then the name is free again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (claimMediaControl() != mpris::Claim::Taken) return keepItems(items);
        uint32_t pid = 0;
        switch (mpris::handOver(kMediaBusSuffix, handed, kAnswerMs, &pid)) {
            case mpris::Handover::Done:
                status = 0;
                return false;
            case mpris::Handover::Gone:
                continue;
            case mpris::Handover::NoAnswer:
                std::fprintf(
                    stderr,
                    "kestrel-player: the player that runs (process %u) did not answer within %d s; "
                    "no second player starts, and that one opens what was named if it answers later\n",
                    pid, kAnswerMs / 1000);
                return false;
            case mpris::Handover::Failed:
                std::fprintf(stderr,
                             "kestrel-player: the player that runs (process %u) takes no files; "
                             "no second player starts\n",
                             pid);
                return false;
        }
    }
    return false;
}

int notStartedStatus() {
    return status;
}

void openCommandLineItems() {
    if (!commandLineItems.empty()) openItems(std::exchange(commandLineItems, {}));
}
