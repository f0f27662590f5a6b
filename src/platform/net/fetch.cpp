// Page fetch: one GET whose body is kept up to a limit, with a minimum
// duration that the transfer itself counts towards, and a bound on the whole
// call that no server can stretch.
#include <thread>

#include "platform/net/curl_easy.h"
#include "platform/net/net_testing.h"

namespace net {
namespace {

// The UI thread waits for a page: whatever the server does (no answer, a
// trickle, an endless body), the call ends by then.
constexpr long kWholeFetchMs = 3000;

struct Sink {
    std::string* body;
    std::size_t limit;
    bool full = false;
};

size_t keepUpToLimit(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    size_t n = size * count;
    size_t room = sink->limit - sink->body->size();
    if (n > room) {
        sink->body->append(data, room);
        sink->full = true;
        return 0;  // ends the transfer: nothing beyond the limit is wanted
    }
    sink->body->append(data, n);
    return n;
}

}  // namespace

FetchResult fetch(const std::string& address, std::size_t limit, std::chrono::milliseconds minimumWait) {
    const auto start = std::chrono::steady_clock::now();
    FetchResult result;
    result.page.body.reserve(std::min<std::size_t>(limit, 64 * 1024));
    Sink sink{&result.page.body, limit};

    detail::Easy easy = detail::openEasy(escapeUnsafeBytes(address));
    if (!easy) {
        result.error = FetchError::Connect;
    } else {
        CURL* h = easy.get();
        detail::curl().easy_setopt(h, CURLOPT_WRITEFUNCTION, keepUpToLimit);
        detail::curl().easy_setopt(h, CURLOPT_WRITEDATA, &sink);
        detail::curl().easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
        detail::curl().easy_setopt(h, CURLOPT_TIMEOUT_MS, kWholeFetchMs);
        CURLcode rc = detail::curl().easy_perform(h);
        detail::curl().easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.page.status);
        char* type = nullptr;
        if (detail::curl().easy_getinfo(h, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
            result.page.contentType = type;

        if (rc == CURLE_WRITE_ERROR && sink.full) rc = CURLE_OK;
        if (rc == CURLE_UNSUPPORTED_PROTOCOL || rc == CURLE_URL_MALFORMAT)
            result.error = FetchError::BadAddress;
        else if (rc == CURLE_COULDNT_CONNECT || rc == CURLE_COULDNT_RESOLVE_HOST ||
                 rc == CURLE_COULDNT_RESOLVE_PROXY ||
                 (rc == CURLE_OPERATION_TIMEDOUT && result.page.status == 0))
            result.error = FetchError::Connect;
        else if (rc != CURLE_OK)
            result.error = FetchError::Transfer;
        else if (result.page.body.empty())
            result.error = FetchError::Empty;
    }
    if (result.error != FetchError::None) result.page = Page{};
    std::this_thread::sleep_until(start + minimumWait);
    return result;
}

bool answers(const std::string& address, std::chrono::milliseconds bound) {
    detail::Easy easy = detail::openEasy(escapeUnsafeBytes(address));
    if (!easy) return false;
    CURL* h = easy.get();
    detail::curl().easy_setopt(h, CURLOPT_NOBODY, 1L);
    detail::curl().easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    detail::curl().easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(bound.count()));
    detail::curl().easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(bound.count()));
    detail::curl().easy_perform(h);
    long status = 0;
    detail::curl().easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    return status > 0;
}

}  // namespace net
