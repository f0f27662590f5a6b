// A curl easy handle with the options every transfer of ours shares.
#pragma once

#include <curl/curl.h>

#include <memory>
#include <string>

namespace net::detail {

// curl's functions, loaded at the first transfer or address resolved rather
// than with the program: curl and the TLS, LDAP, Kerberos and SSH libraries
// under it are a good part of a start-up otherwise. Each is named as curl
// names it without "curl_".
// clang-format off
#define KESTREL_CURL_FUNCTIONS(X)                                                              \
    X(global_init) X(easy_init) X(easy_cleanup) X(easy_setopt) X(easy_getinfo) X(easy_perform) \
    X(url) X(url_cleanup) X(url_set) X(url_get) X(free)
// clang-format on

struct CurlApi {
#define KESTREL_CURL_SLOT(name) decltype(&::curl_##name) name = nullptr;
    KESTREL_CURL_FUNCTIONS(KESTREL_CURL_SLOT)
#undef KESTREL_CURL_SLOT
};

// Any thread; loads and initialises curl on the first call (once, never
// unloaded); null when it cannot be loaded.
const CurlApi* curlApi();

// curl's functions where a handle of it exists, so curlApi() has loaded them.
inline const CurlApi& curl() {
    return *curlApi();
}

struct EasyDeleter {
    void operator()(CURL* h) const { curl().easy_cleanup(h); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

// A handle for GET `address` (already escaped): agent "Kestrel Player",
// http/https only (also across redirects), at most five redirects, the
// connect and stall limits of setTimeouts, no signals. Null when curl
// cannot make a handle.
Easy openEasy(const std::string& address);

// True when a header line (as curl hands it over) starts a new response.
bool isStatusLine(const char* line, size_t size);

}  // namespace net::detail
