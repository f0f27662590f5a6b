#include "online/connectivity.h"

#include <chrono>
#include <cstring>

#include "online/page_text.h"
#include "platform/gui/gui.h"
#include "platform/net/net.h"

namespace {

constexpr std::size_t pageLimit = 1000000;
constexpr std::chrono::milliseconds pageWait{1000};

std::optional<net::Page> fetchRaw(const std::string& address) {
    net::FetchResult result = net::fetch(address, pageLimit, pageWait);
    if (result.error != net::FetchError::None) return std::nullopt;
    std::string& body = result.page.body;
    if (const void* zero = std::memchr(body.data(), 0, body.size()))
        body.resize(static_cast<std::size_t>(static_cast<const char*>(zero) - body.data()));
    return std::move(result.page);
}

}  // namespace

bool isConnected() {
    return net::connected();
}

bool siteAnswers(const std::string& address) {
    // Short: it is asked at start-up, before the window shows.
    return net::answers(address, std::chrono::milliseconds(300));
}

void followConnectionChanges() {
    const int fd = net::openConnectionNotices();
    if (fd >= 0) gui::watchDescriptor(fd, [fd] { net::connectionNotices(fd); });
}

std::optional<std::string> fetchPage(const std::string& address) {
    std::optional<net::Page> page = fetchRaw(address);
    if (!page) return std::nullopt;
    return std::move(page->body);
}

std::optional<std::string> fetchPageText(const std::string& address) {
    std::optional<net::Page> page = fetchRaw(address);
    if (!page) return std::nullopt;
    return decodePage(page->body, declaredCharset(page->contentType, page->body));
}
