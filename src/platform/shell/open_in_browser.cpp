// Starts `xdg-open ADDRESS` detached: a short-lived shell puts the opener in
// the background and exits, so the opener is re-parented and never becomes a
// zombie of ours, and we wait only for that shell.
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <mutex>

#include "platform/shell/shell.h"

extern char** environ;

namespace shell {
namespace {

std::mutex openerMutex;
std::function<void(const std::string&)> testOpener;  // guarded by openerMutex

}  // namespace

void setOpener(std::function<void(const std::string&)> opener) {
    std::lock_guard lock(openerMutex);
    testOpener = std::move(opener);
}

bool openInBrowser(const std::string& address) {
    {
        std::lock_guard lock(openerMutex);
        if (testOpener) {
            testOpener(address);
            return true;
        }
    }
    // The address is an argument of its own ("$1"), never shell text.
    const char* argv[] = {
        "/bin/sh",
        "-c",
        "command -v xdg-open >/dev/null || exit 127; xdg-open \"$1\" </dev/null >/dev/null 2>&1 &",
        "kestrel-open",
        address.c_str(),
        nullptr};
    // The browser inherits none of our descriptors (sockets, sound device).
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, "/bin/sh", &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace shell
