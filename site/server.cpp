#include "server.h"

#include <fcntl.h>
#include <httplib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>

#include "byte_range.h"
#include "db_js.h"
#include "pages.h"
#include "platform/text/cp1251.h"
#include "platform/text/percent.h"
#include "query.h"
#include "scanner.h"

namespace site {
namespace {

constexpr size_t kMaxResults = 99;
constexpr size_t kChunk = 256 << 10;
const char kHtml[] = "text/html; charset=windows-1251";

// A request target made safe for a log line: bytes outside printable ASCII
// (the player sends its query as raw Windows-1251) are shown as %XX.
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

}  // namespace

Site::Site(std::vector<std::string> folders, std::function<void(const std::string&)> log)
    : folders_(std::move(folders)), log_(std::move(log)), catalog_(std::make_shared<Catalog>()) {
    if (!log_) log_ = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
}

Site::~Site() = default;

size_t Site::reindex() {
    std::lock_guard<std::mutex> serial(reindexMutex_);
    auto started = std::chrono::steady_clock::now();
    auto next = std::make_shared<const Catalog>(
        scanFolders(folders_, std::max(2u, std::thread::hardware_concurrency())));
    size_t n = next->size();
    {
        std::lock_guard<std::mutex> lock(catalogMutex_);
        catalog_ = std::move(next);
    }
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", secs);
    log_(timestamp() + " indexed " + std::to_string(n) + " files in " + buf + " s");
    return n;
}

std::shared_ptr<const Catalog> Site::catalog() const {
    std::lock_guard<std::mutex> lock(catalogMutex_);
    return catalog_;
}

int Site::bind(const std::string& address, int port) {
    server_ = std::make_unique<httplib::Server>();
    // Players pause by not reading: a paused stream must not be cut after the
    // library's default 5 s, and a few such streams must not starve the pool.
    server_->set_write_timeout(600, 0);
    server_->new_task_queue = [] { return new httplib::ThreadPool(32); };
    routes();
    address_ = address;
    port_ =
        port == 0 ? server_->bind_to_any_port(address) : (server_->bind_to_port(address, port) ? port : -1);
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

    s.Get("/search.php", [this](const httplib::Request& req, httplib::Response& res) {
        std::string query = queryParam(queryPart(req.target), "q");
        auto cat = catalog();  // keeps the hits alive while the page is made
        auto hits = cat->search(searchWords(query), kMaxResults);
        res.set_content(resultsPage(baseFor(req), text::fromCp1251(query), hits), kHtml);
    });

    s.Get("/js/db.js", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(kDbJs, "application/javascript; charset=utf-8");
    });

    s.Post("/reindex", [this](const httplib::Request& req, httplib::Response& res) {
        if (!isLoopback(req.remote_addr)) return notFound(res);
        res.set_content("indexed " + std::to_string(reindex()) + " files\n", "text/plain; charset=utf-8");
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
        if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
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
        // The library must not cut the answer again by the request's ranges
        // (its request object is its own mutable one, lent to us as const).
        const_cast<httplib::Request&>(req).ranges.clear();
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
