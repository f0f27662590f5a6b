// The shared set-up of every transfer, and the address helpers.
#include "platform/net/curl_easy.h"

#include <dlfcn.h>

#include <atomic>
#include <cstring>

#include "platform/net/net_testing.h"
#include "platform/os/bind_function.h"
#include "platform/text/percent.h"

namespace net {
namespace {

std::atomic<long> connectMs{Timeouts{}.connect.count()};
std::atomic<long> stallMs{Timeouts{}.stall.count()};

const detail::CurlApi* load() {
    void* lib = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return nullptr;
    auto* api = new detail::CurlApi;
    bool all = true;
#define KESTREL_CURL_BIND(name) all = os::bindFunction(lib, api->name, "curl_" #name) && all;
    KESTREL_CURL_FUNCTIONS(KESTREL_CURL_BIND)
#undef KESTREL_CURL_BIND
    if (!all || api->global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        delete api;
        return nullptr;
    }
    return api;
}

struct UrlDeleter {
    void operator()(CURLU* u) const { detail::curl().url_cleanup(u); }
};

}  // namespace

void setTimeouts(Timeouts t) {
    connectMs.store(static_cast<long>(t.connect.count()));
    stallMs.store(static_cast<long>(t.stall.count()));
}

Timeouts timeouts() {
    return Timeouts{std::chrono::milliseconds(connectMs.load()), std::chrono::milliseconds(stallMs.load())};
}

namespace detail {

const CurlApi* curlApi() {
    static const CurlApi* api = load();
    return api;
}

Easy openEasy(const std::string& address) {
    if (!curlApi()) return {};
    Easy easy(curl().easy_init());
    if (!easy) return easy;
    CURL* h = easy.get();
    curl().easy_setopt(h, CURLOPT_URL, address.c_str());
    curl().easy_setopt(h, CURLOPT_USERAGENT, "Kestrel Player");
    curl().easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl().easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl().easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl().easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
    curl().easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl().easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, connectMs.load());
    // A stall is less than one byte a second over the whole stall period;
    // curl counts in whole seconds, so round up.
    curl().easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl().easy_setopt(h, CURLOPT_LOW_SPEED_TIME, std::max(1L, (stallMs.load() + 999) / 1000));
    return easy;
}

bool isStatusLine(const char* line, size_t size) {
    return (size >= 5 && std::memcmp(line, "HTTP/", 5) == 0) ||
           (size >= 4 && std::memcmp(line, "ICY ", 4) == 0);
}

}  // namespace detail

std::string escapeUnsafeBytes(std::string_view address) {
    return text::percentEncode(address, [](unsigned char c) { return c > 0x20 && c < 0x7F; });
}

std::string resolveAddress(const std::string& base, const std::string& reference) {
    if (!detail::curlApi()) return reference;
    std::unique_ptr<CURLU, UrlDeleter> url(detail::curl().url());
    if (!url) return reference;
    if (detail::curl().url_set(url.get(), CURLUPART_URL, escapeUnsafeBytes(base).c_str(), 0) != CURLUE_OK)
        return reference;
    // curl resolves a relative reference against the address already held
    // and takes an absolute one as it is.
    if (detail::curl().url_set(url.get(), CURLUPART_URL, escapeUnsafeBytes(reference).c_str(), 0) !=
        CURLUE_OK)
        return reference;
    char* joined = nullptr;
    if (detail::curl().url_get(url.get(), CURLUPART_URL, &joined, 0) != CURLUE_OK || !joined)
        return reference;
    std::string out(joined);
    detail::curl().free(joined);
    return out;
}

void removeCacheEntry(const std::string&) {}

}  // namespace net
