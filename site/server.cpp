#include "server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <httplib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>

#include "byte_range.h"
#include "db_js.h"
#include "guarded_server.h"
#include "pages.h"
#include "platform/text/percent.h"
#include "query.h"
#include "scanner.h"
#include "watcher.h"

namespace site {
namespace {

constexpr size_t kMaxResults = 99;
constexpr size_t kChunk = 256 << 10;
const char kHtml[] = "text/html; charset=utf-8";

// A request target made safe for a log line: bytes outside printable ASCII
// (older players send their query as raw Windows-1251) are shown as %XX.
std::string printable(std::string_view s) {
    return text::percentEncode(s.substr(0, 2000),
                               [](unsigned char c) { return c > 0x20 && c < 0x7F && c != '%'; });
}

std::string timestamp() {
    std::time_t now = std::time(nullptr);
    std::tm tm;
    gmtime_r(&now, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

bool isLoopback(const std::string& addr) {
    return addr.rfind("127.", 0) == 0 || addr == "::1" || addr.rfind("::ffff:127.", 0) == 0;
}

// A Host header fit to be copied into the page's links: a host name or an
// address literal with an optional port, nothing that could break out of an
// attribute or point the player at a path.
bool isSafeHost(const std::string& host) {
    if (host.empty() || host.size() > 255) return false;
    for (char c : host) {
        bool ok = (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == '.' ||
                  c == '-' || c == ':' || c == '[' || c == ']';
        if (!ok) return false;
    }
    return true;
}

void notFound(httplib::Response& res) {
    res.status = 404;
    res.set_content(messagePage("Не найдено", "Такой страницы здесь нет."), kHtml);
}

// An Origin header naming a page of another site: a browser posting a form
// from elsewhere, or from a local or sandboxed page ("null"). No Origin at
// all is curl or the player.
bool foreignOrigin(const httplib::Request& req, const std::string& base) {
    if (!req.has_header("Origin")) return false;
    std::string origin = req.get_header_value("Origin");
    if (origin == "null") return true;
    std::string host = req.get_header_value("Host");
    return origin != "http://" + host && origin + "/" != base;
}

// The host part of a Host header: "name:port", "[v6]:port" or "name".
std::string hostName(const std::string& host) {
    if (!host.empty() && host[0] == '[') return host.substr(1, host.find(']') - 1);
    size_t colon = host.find(':');
    std::string name = colon != std::string::npos && host.find(':', colon + 1) == std::string::npos
                           ? host.substr(0, colon)
                           : host;
    for (char& c : name) c = char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return name;
}

// A Host this machine answers to for certain: a loopback address, "localhost"
// or the address the site was told to listen on. A page whose name an attacker
// has pointed at 127.0.0.1 (DNS rebinding) sends its own name instead. No
// Host at all comes from no browser.
bool ownHost(const std::string& host, const std::string& listen) {
    if (host.empty()) return true;
    std::string name = hostName(host);
    unsigned char bytes[16];
    if (inet_pton(AF_INET, name.c_str(), bytes) == 1) return bytes[0] == 127 || name == listen;
    if (inet_pton(AF_INET6, name.c_str(), bytes) == 1) return name == "::1" || name == listen;
    return name == "localhost" || name == hostName(listen);
}

}  // namespace

Site::Site(std::vector<std::string> folders, std::function<void(const std::string&)> log, std::string dbPath)
    : log_(log ? std::move(log)
               : [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }),
      library_(std::move(folders), std::move(dbPath), log_) {}

Site::~Site() {
    // The watcher's thread may be in reindex(), waiting for watcherMutex_.
    std::unique_ptr<Watcher> watcher;
    {
        std::lock_guard<std::mutex> lock(watcherMutex_);
        watcher = std::move(watcher_);
    }
}

size_t Site::open() {
    auto started = std::chrono::steady_clock::now();
    size_t n = library_.open();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f",
                  std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    log_(timestamp() + " loaded " + std::to_string(n) + " files from the index in " + buf + " s");
    return n;
}

size_t Site::reindex() {
    return rescan(true);
}

size_t Site::rescan(bool retryRejected) {
    bool watchedAll = true;
    Library::Stats stats = library_.rescan(retryRejected, [this, &watchedAll](const std::string& folder) {
        std::lock_guard<std::mutex> lock(watcherMutex_);
        if (watcher_ && !watcher_->add(folder)) watchedAll = false;
    });
    {
        std::lock_guard<std::mutex> lock(statsMutex_);
        stats_ = stats;
    }
    {
        std::lock_guard<std::mutex> lock(watcherMutex_);
        if (watcher_) watcher_->walked(watchedAll);
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", stats.seconds);
    log_(timestamp() + " indexed " + std::to_string(stats.tracks) + " files (read " +
         std::to_string(stats.read) + ", gone " + std::to_string(stats.removed) + ") in " + buf + " s");
    return stats.tracks;
}

Library::Stats Site::lastReindex() const {
    std::lock_guard<std::mutex> lock(statsMutex_);
    return stats_;
}

void Site::startWatching() {
    std::lock_guard<std::mutex> lock(watcherMutex_);
    if (watcher_) return;
    watcher_ = std::make_unique<Watcher>([this] { rescan(false); }, log_);
    // Folders a scan has already walked are watched now and listed again
    // soon, for what was made in between; each later walk watches the rest.
    auto folders = library_.folders();
    if (folders.empty()) return;
    bool all = true;
    for (const auto& folder : folders) all &= watcher_->add(folder);
    watcher_->walked(all);
    watcher_->changeSoon();
}

std::shared_ptr<const Catalog> Site::catalog() const {
    return library_.catalog();
}

int Site::bind(const std::string& address, int port) {
    ServerLimits limits;
    limits.head.maxBody = kMaxBody;
    limits.requestTime = std::chrono::seconds(kHeaderSeconds);
    limits.perRemoteAddress = kConnectionsPerAddress;
    server_ = std::make_unique<GuardedServer>(
        limits, [this](const std::string& client, const std::string& method, const std::string& target,
                       const std::string& outcome) {
            log_(timestamp() + " " + client + " \"" + (method.empty() ? "-" : printable(method)) + " " +
                 (target.empty() ? "-" : printable(target)) + "\" " + outcome);
        });
    // Players pause by not reading: a paused stream must not be cut after the
    // library's default 5 s.
    server_->set_write_timeout(600, 0);
    server_->set_payload_max_length(kMaxBody);
    // One site per port. The library's default sets SO_REUSEPORT, with which
    // a second site binds the same port and the two split the requests;
    // SO_REUSEADDR alone still lets a restart take the port back from
    // connections that are closing, and makes a port in use fail to bind.
    server_->set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    routes();
    address_ = address;
    port_ =
        port == 0 ? server_->bind_to_any_port(address) : (server_->bind_to_port(address, port) ? port : -1);
    // A thousand clients at once wait in the system's queue rather than fail.
    if (port_ > 0) server_->widenBacklog(4096);
    return port_;
}

bool Site::run() {
    return server_ && port_ > 0 && server_->listen_after_bind();
}

void Site::stop() {
    stopping_ = true;
    if (server_) server_->stop();
}

std::string Site::baseUrl() const {
    std::string host = address_;
    if (host.empty() || host == "0.0.0.0") host = "127.0.0.1";
    if (host == "::") host = "::1";
    if (host.find(':') != std::string::npos) host = "[" + host + "]";
    return "http://" + host + ":" + std::to_string(port_) + "/";
}

std::string Site::baseFor(const httplib::Request& req) const {
    std::string host = req.get_header_value("Host");
    return isSafeHost(host) ? "http://" + host + "/" : baseUrl();
}

void Site::routes() {
    auto& s = *server_;

    s.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
        std::string bytes = res.get_header_value("Content-Length");
        if (bytes.empty()) bytes = std::to_string(res.body.size());
        log_(timestamp() + " " + req.remote_addr + " \"" + req.method + " " + printable(req.target) + "\" " +
             std::to_string(res.status) + " " + bytes);
    });

    s.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.body.empty() && res.status == 404) notFound(res);
    });

    s.Get("/", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(rootPage(catalog()->size()), kHtml);
    });

    // POST /reindex from loopback, not from a form of another site.
    auto reindexRequest = [this](const httplib::Request& req, httplib::Response& res) {
        if (!isLoopback(req.remote_addr)) return notFound(res);
        if (!ownHost(req.get_header_value("Host"), address_)) {
            res.status = 403;
            res.set_content("only a request to this machine's own address can reindex\n",
                            "text/plain; charset=utf-8");
            return;
        }
        if (foreignOrigin(req, baseFor(req))) {
            res.status = 403;
            res.set_content("a form of another site cannot reindex\n", "text/plain; charset=utf-8");
            return;
        }
        res.set_content("indexed " + std::to_string(reindex()) + " files\n", "text/plain; charset=utf-8");
    };

    // Runs once a request's headers are in, before its body is read. A POST
    // with no body at all ("curl -X POST") is answered here: the library
    // would refuse it for want of a length.
    s.set_pre_routing_handler([reindexRequest](const httplib::Request& req, httplib::Response& res) {
        if (req.path != "/reindex" || req.method != "POST" || req.has_header("Content-Length") ||
            req.has_header("Transfer-Encoding"))
            return httplib::Server::HandlerResponse::Unhandled;
        reindexRequest(req, res);
        return httplib::Server::HandlerResponse::Handled;
    });
    s.Post("/reindex", reindexRequest);

    s.Get("/search.php", [this](const httplib::Request& req, httplib::Response& res) {
        std::string query = queryText(queryParam(queryPart(req.target), "q"));
        auto cat = catalog();  // keeps the hits alive while the page is made
        // A query of blanks asks for nothing, not for the whole library.
        auto words = searchWords(query);
        auto hits = words.empty() ? std::vector<const Track*>() : cat->search(words, kMaxResults);
        res.set_content(resultsPage(baseFor(req), query, hits), kHtml);
    });

    s.Get("/js/db.js", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(kDbJs, "application/javascript; charset=utf-8");
    });

    // A track by its id; the name after it must be the track's own file name
    // (or absent). The path served is always the one the scan found.
    s.Get(R"(/f/([0-9a-f]{16})(/.*)?)", [this](const httplib::Request& req, httplib::Response& res) {
        uint64_t id = 0;
        auto cat = catalog();
        const Track* t = parseId(req.matches[1].str(), id) ? cat->find(id) : nullptr;
        std::string name = req.matches[2].str();
        if (!t || (!name.empty() && name != "/" && name != "/" + t->fileName)) return notFound(res);

        int fd = ::open(t->path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        struct stat st;
        if (fd < 0) return notFound(res);
        // Only the file that was indexed as audio is served: one changed or
        // replaced since (a link pointed elsewhere) waits for its rescan.
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != t->size ||
            int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec != t->mtime) {
            ::close(fd);
            return notFound(res);
        }
        res.set_header("Accept-Ranges", "bytes");
        const char* type = contentTypeFor(t->fileName);
        const uint64_t size = uint64_t(st.st_size);
        ByteRange range{0, size};
        switch (parseRange(req.get_header_value("Range"), size, range)) {
            case RangeAnswer::Whole:
                break;
            case RangeAnswer::Partial:
                res.status = 206;
                res.set_header("Content-Range", "bytes " + std::to_string(range.first) + "-" +
                                                    std::to_string(range.first + range.length - 1) + "/" +
                                                    std::to_string(size));
                break;
            case RangeAnswer::Unsatisfiable:
                ::close(fd);
                res.status = 416;
                res.set_header("Content-Range", "bytes */" + std::to_string(size));
                return;
        }
        if (range.length == 0) {
            ::close(fd);
            return res.set_content("", type);
        }
        auto buffer = std::make_shared<std::vector<char>>();
        res.set_content_provider(
            size_t(range.length), type,
            [this, fd, buffer, start = range.first](size_t offset, size_t length, httplib::DataSink& sink) {
                if (stopping_) return false;
                buffer->resize(std::min(length, kChunk));
                ssize_t n = ::pread(fd, buffer->data(), buffer->size(), off_t(start + offset));
                if (n <= 0) return false;  // the file shrank or failed: end the transfer
                return sink.write(buffer->data(), size_t(n));
            },
            [fd](bool) { ::close(fd); });
    });
}

}  // namespace site
