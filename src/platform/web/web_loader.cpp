// Finds and loads libkestrel-web.so on first use: KESTREL_WEB_MODULE (the
// tests, built away from the module, name it there), then beside the
// executable (the build tree), then in ../lib/kestrel-player/ from it (the
// installed program), then the loader's own search path. No build folder is
// written into the program: the installed copy must not look there.
#include <dlfcn.h>
#include <unistd.h>

#include <QCoreApplication>
#include <climits>
#include <cstdlib>
#include <string>

#include "platform/gui/gui.h"
#include "platform/web/web.h"
#include "platform/web/web_module_abi.h"

namespace web {
namespace {

constexpr const char* moduleName = "libkestrel-web.so";
bool loadedFlag = false;

// WebEngine draws through an OpenGL context shared with the application's,
// which Qt creates only when asked before the application object exists;
// without it the first view crashes. Asked here, at program start, so that
// every program linking the view asks in time. It costs one small context.
const bool shareContextsAsked = [] {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

std::string executableDirectory() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    std::string exe(path, static_cast<size_t>(n));
    return exe.substr(0, exe.rfind('/'));
}

const KestrelWebApi* load() {
    std::string candidates[4];
    if (const char* env = std::getenv("KESTREL_WEB_MODULE")) candidates[0] = env;
    candidates[1] = executableDirectory() + "/" + moduleName;
    candidates[2] = executableDirectory() + "/../lib/kestrel-player/" + moduleName;
    candidates[3] = moduleName;
    for (const std::string& path : candidates) {
        if (path.empty()) continue;
        if (path.find('/') != std::string::npos && access(path.c_str(), R_OK) != 0) continue;
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) continue;
        auto entry = reinterpret_cast<const KestrelWebApi* (*)()>(dlsym(handle, "kestrel_web_api"));
        const KestrelWebApi* api = entry ? entry() : nullptr;
        if (api && api->version == KESTREL_WEB_ABI_VERSION) {
            loadedFlag = true;
            return api;  // stays loaded until the process ends
        }
        dlclose(handle);
    }
    return nullptr;
}

const KestrelWebApi* api() {
    static const KestrelWebApi* loaded = load();
    return loaded;
}

// The host's widget, or null when there is no module loaded yet or no control.
void* hostOf(int control) {
    return loadedFlag ? gui::nativeHandle(control) : nullptr;
}

}  // namespace

bool preload() {
    return api() != nullptr;
}

bool createView(int hostControl, const std::string& address) {
    void* host = gui::nativeHandle(hostControl);
    if (!host || !api()) return false;
    return api()->create(host, address.c_str()) != 0;
}

void navigate(int hostControl, const std::string& address) {
    if (void* host = hostOf(hostControl)) api()->navigate(host, address.c_str());
}

void goBack(int hostControl) {
    if (void* host = hostOf(hostControl)) api()->back(host);
}

void goForward(int hostControl) {
    if (void* host = hostOf(hostControl)) api()->forward(host);
}

void stop(int hostControl) {
    if (void* host = hostOf(hostControl)) api()->stop(host);
}

void reload(int hostControl) {
    if (void* host = hostOf(hostControl)) api()->reload(host);
}

std::string currentAddress(int hostControl) {
    void* host = hostOf(hostControl);
    if (!host) return {};
    char buffer[4096];
    int length = api()->address(host, buffer, sizeof buffer);
    if (length < static_cast<int>(sizeof buffer)) return std::string(buffer, static_cast<size_t>(length));
    std::string big(static_cast<size_t>(length) + 1, '\0');
    api()->address(host, big.data(), length + 1);
    big.resize(static_cast<size_t>(length));
    return big;
}

bool loading(int hostControl) {
    void* host = hostOf(hostControl);
    return host && api()->loading(host) != 0;
}

bool moduleLoaded() {
    return loadedFlag;
}

}  // namespace web
