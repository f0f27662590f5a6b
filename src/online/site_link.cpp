#include "online/site_link.h"

#include "platform/net/net.h"
#include "state/addresses.h"

std::string resolveSiteLink(const std::string& link) {
    if (link.empty()) return link;
    return net::resolveAddress(musicSiteBase(), link);
}
