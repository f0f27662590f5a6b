// Which display the toolkit opens, decided before the application object
// exists: Qt aborts the process when its platform cannot connect, so a
// missing compositor is found here first, by connecting to its socket.
//
// A running Wayland compositor is used natively (X11 as Qt's fallback when
// DISPLAY is set too); a stale WAYLAND_DISPLAY falls back to X11, or the
// program says why it cannot start. An explicit QT_QPA_PLATFORM other than
// wayland (offscreen, xcb) is left to Qt.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QtGlobal>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/gui/gui_internal.h"

namespace gui::detail {
namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The compositor's socket: WAYLAND_DISPLAY is a name under XDG_RUNTIME_DIR
// or an absolute path; unset means "wayland-0".
std::string waylandSocketPath() {
    std::string name = env("WAYLAND_DISPLAY");
    if (name.empty()) name = "wayland-0";
    if (name.front() == '/') return name;
    const std::string runtime = env("XDG_RUNTIME_DIR");
    return runtime.empty() ? std::string() : runtime + "/" + name;
}

// Empty when a compositor accepts a connection on the socket, else why not.
std::string compositorProblem(const std::string& path) {
    if (path.empty()) return "XDG_RUNTIME_DIR is not set";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return "the socket path is too long";
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::strerror(errno);
    const bool connected = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    const int error = errno;
    close(fd);
    return connected ? std::string() : std::strerror(error);
}

}  // namespace

bool choosePlatform() {
    const std::string requested = env("QT_QPA_PLATFORM");
    const bool waylandAsked = requested.rfind("wayland", 0) == 0;
    if (!requested.empty() && !waylandAsked) return true;
    const bool hasX11 = !env("DISPLAY").empty();
    const bool hasWayland = !env("WAYLAND_DISPLAY").empty() || !env("WAYLAND_SOCKET").empty();
    if (!waylandAsked && !hasWayland) {
        if (hasX11) return true;
        std::fprintf(stderr, "kestrel-player: neither WAYLAND_DISPLAY nor DISPLAY is set\n");
        return false;
    }
    // A socket handed over by the parent process cannot be probed here.
    const std::string path = waylandSocketPath();
    const std::string problem = env("WAYLAND_SOCKET").empty() ? compositorProblem(path) : std::string();
    if (problem.empty()) {
        // EGL stays: without a buffer integration Qt draws no client-side
        // frames, and the dialogs would have no title bar where the
        // compositor leaves frames to the clients (GNOME, Weston).
        if (requested.empty()) qputenv("QT_QPA_PLATFORM", hasX11 ? "wayland;xcb" : "wayland");
        return true;
    }
    if (hasX11) {
        std::fprintf(stderr, "kestrel-player: no Wayland compositor at %s (%s); using the X11 display %s\n",
                     path.c_str(), problem.c_str(), env("DISPLAY").c_str());
        qputenv("QT_QPA_PLATFORM", "xcb");
        return true;
    }
    std::fprintf(stderr, "kestrel-player: no Wayland compositor at %s (%s), and DISPLAY is not set\n",
                 path.empty() ? "WAYLAND_DISPLAY" : path.c_str(), problem.c_str());
    return false;
}

}  // namespace gui::detail
