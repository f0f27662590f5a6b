#include "state/addresses.h"

#include <cstdlib>

namespace {

std::string fromEnvironment(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    std::string address = value && *value ? value : fallback;
    if (address.empty() || address.back() != '/') address += '/';
    return address;
}

}  // namespace

// Our own search site at its default port on this machine.
std::string musicSiteBase() {
    return fromEnvironment("KESTREL_SITE_URL", "http://127.0.0.1:8351/");
}

std::string videoSiteBase() {
    return fromEnvironment("KESTREL_VIDEO_URL", "https://www.youtube.com/");
}

std::string scriptSiteBase() {
    return fromEnvironment("KESTREL_SCRIPT_URL", musicSiteBase());
}
