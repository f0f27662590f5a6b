// Download to a file: the body goes to a temporary file beside the target,
// renamed over it only when the whole transfer succeeded. Responses with a
// status of 400 or more, and endless radio streams (no length, ICY headers),
// are refused before their body is written.
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <vector>

#include "platform/net/curl_easy.h"
#include "platform/net/net.h"

namespace net {
namespace {

constexpr size_t flushSize = 1 << 20;

struct Transfer {
    CURL* easy = nullptr;
    int fd = -1;
    std::vector<char> buffer;
    uint64_t written = 0;
    bool radioHeaders = false;  // the current response carries icy-/ice- headers
    bool checked = false;       // the response was looked at before its first byte
    DownloadError refused = DownloadError::None;
    bool writeFailed = false;

    bool flush() {
        size_t off = 0;
        while (off < buffer.size()) {
            ssize_t n = ::write(fd, buffer.data() + off, buffer.size() - off);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            off += static_cast<size_t>(n);
        }
        written += buffer.size();
        buffer.clear();
        return true;
    }
};

size_t onHeader(char* line, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    size_t n = size * count;
    if (detail::isStatusLine(line, n)) {
        t->radioHeaders = false;  // a redirect's headers do not count for the final answer
        if (n >= 4 && std::string_view(line, 4) == "ICY ") t->radioHeaders = true;
    } else if (n >= 4 && (strncasecmp(line, "icy-", 4) == 0 || strncasecmp(line, "ice-", 4) == 0)) {
        t->radioHeaders = true;
    }
    return n;
}

// Decides on the first body byte whether the response is worth keeping.
bool accept(Transfer* t) {
    t->checked = true;
    long status = 0;
    curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 400) {
        t->refused = DownloadError::Http;
        return false;
    }
    curl_off_t length = -1;
    curl_easy_getinfo(t->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (length < 0 && t->radioHeaders) {
        t->refused = DownloadError::EndlessStream;
        return false;
    }
    return true;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    size_t n = size * count;
    if (!t->checked && !accept(t)) return 0;
    t->buffer.insert(t->buffer.end(), data, data + n);
    if (t->buffer.size() >= flushSize && !t->flush()) {
        t->writeFailed = true;
        return 0;
    }
    return n;
}

std::string directoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A new, empty file with a name of its own in `dir`; mode 0666 less umask.
int createTemporary(const std::string& dir, std::string& name) {
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[17];
        std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(rng()));
        name = dir + "/.kestrel-download-" + suffix + ".part";
        int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

DownloadResult downloadToFile(const std::string& address, const std::string& targetPath) {
    DownloadResult result;
    detail::Easy easy = detail::openEasy(escapeUnsafeBytes(address));
    if (!easy) {
        result.error = DownloadError::Connect;
        return result;
    }
    std::string temporary;
    Transfer t;
    t.easy = easy.get();
    t.fd = createTemporary(directoryOf(targetPath), temporary);
    if (t.fd < 0) {
        result.error = DownloadError::File;
        return result;
    }
    t.buffer.reserve(flushSize + CURL_MAX_WRITE_SIZE);

    CURL* h = easy.get();
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 256L * 1024);
    CURLcode rc = curl_easy_perform(h);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.status);

    // An empty body never reached onBody: judge the response now.
    if (rc == CURLE_OK && !t.checked && !accept(&t)) rc = CURLE_WRITE_ERROR;
    if (rc == CURLE_OK && !t.flush()) t.writeFailed = true;
    bool closed = ::close(t.fd) == 0;

    if (t.refused != DownloadError::None)
        result.error = t.refused;
    else if (t.writeFailed || (rc == CURLE_OK && !closed))
        result.error = DownloadError::File;
    else if (rc == CURLE_UNSUPPORTED_PROTOCOL || rc == CURLE_URL_MALFORMAT)
        result.error = DownloadError::BadAddress;
    else if (rc == CURLE_COULDNT_CONNECT || rc == CURLE_COULDNT_RESOLVE_HOST ||
             rc == CURLE_COULDNT_RESOLVE_PROXY || (rc == CURLE_OPERATION_TIMEDOUT && result.status == 0))
        result.error = DownloadError::Connect;
    else if (rc != CURLE_OK)
        result.error = DownloadError::Transfer;

    if (result.error == DownloadError::None && std::rename(temporary.c_str(), targetPath.c_str()) != 0)
        result.error = DownloadError::File;
    if (result.error != DownloadError::None) {
        ::unlink(temporary.c_str());
        return result;
    }
    result.bytes = t.written;
    return result;
}

}  // namespace net
