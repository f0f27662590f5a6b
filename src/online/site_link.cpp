#include "online/site_link.h"

#include "app/addresses.h"
#include "platform/net/net.h"

std::string resolveSiteLink(const std::string& link) {
    if (link.empty()) return link;
    return net::resolveAddress(musicSiteBase(), link);
}
