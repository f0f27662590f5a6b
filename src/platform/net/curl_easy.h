// A curl easy handle with the options every transfer of ours shares.
#pragma once

#include <curl/curl.h>

#include <memory>
#include <string>

namespace net::detail {

struct EasyDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
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
