#include "http_fixture.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>

#include "support/loopback_listener.h"

namespace audiotest {

namespace {
constexpr size_t kBytesPerSecond = 16000;  // 128 kbit/s
}

struct HttpServer::Impl {
    std::unique_ptr<httplib::Server> server;
    std::string mp3;
};

HttpServer::HttpServer(const std::string& mp3Path, const std::string& certPath, const std::string& keyPath)
    : impl_(new Impl), mp3Path_(mp3Path) {
    std::ifstream in(mp3Path, std::ios::binary);
    impl_->mp3.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (certPath.empty()) {
        impl_->server = std::make_unique<httplib::Server>();
    } else {
        impl_->server = std::make_unique<httplib::SSLServer>(certPath.c_str(), keyPath.c_str());
        scheme_ = "https";
    }
    auto& svr = *impl_->server;
    // Endless streams hold a worker each; leave room for many at once.
    svr.new_task_queue = [] { return new httplib::ThreadPool(40); };
    const std::string& mp3 = impl_->mp3;
    auto pause = [this](int ms) {
        for (int i = 0; i < ms / 10 && !stopping_; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };

    svr.Get("/tone.mp3",
            [&mp3](const httplib::Request&, httplib::Response& res) { res.set_content(mp3, "audio/mpeg"); });
    // A server may send the player elsewhere, but only over http or https.
    svr.Get("/moved.mp3",
            [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/tone.mp3"); });
    svr.Get("/local.mp3", [this](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("file://" + mp3Path_);
    });
    svr.Get("/missing.mp3", [](const httplib::Request&, httplib::Response& res) {
        res.status = 404;
        res.set_content("<html><body>Not found</body></html>", "text/html");
    });
    svr.Get("/page.mp3", [](const httplib::Request&, httplib::Response& res) {
        std::string page = "<!DOCTYPE html><html><head><title>Track</title></head><body>";
        for (int i = 0; i < 200; ++i) page += "<p>This address is a page, not a track.</p>\n";
        res.set_content(page + "</body></html>", "text/html");
    });
    svr.Get("/radio", [this, &mp3, pause](const httplib::Request& req, httplib::Response& res) {
        const size_t metaint = 8000;
        bool icy = req.get_header_value("Icy-MetaData") == "1";
        if (icy) {
            icyRequested_ = true;
            res.set_header("icy-metaint", std::to_string(metaint));
        }
        res.set_header("icy-name", "Test radio");
        res.set_content_provider("audio/mpeg", [this, &mp3, icy, metaint, pause](size_t,
                                                                                 httplib::DataSink& sink) {
            // A burst of two seconds, then real time, for ever (until stopped).
            size_t sent = 0, at = 0, sinceMeta = 0;
            auto start = std::chrono::steady_clock::now();
            while (!stopping_) {
                double due = 2.0 * kBytesPerSecond +
                             std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() *
                                 kBytesPerSecond;
                if (sent >= due) {
                    pause(20);
                    continue;
                }
                size_t n = std::min<size_t>(1000, mp3.size() - at);
                if (icy) n = std::min(n, metaint - sinceMeta);
                if (!sink.write(mp3.data() + at, n)) return false;
                sent += n;
                at = (at + n) % mp3.size();
                sinceMeta += n;
                if (icy && sinceMeta == metaint) {
                    std::string text = "StreamTitle='Test radio - tone';";
                    text.resize((text.size() + 15) / 16 * 16, '\0');
                    char len = static_cast<char>(text.size() / 16);
                    if (!sink.write(&len, 1) || !sink.write(text.data(), text.size())) return false;
                    sinceMeta = 0;
                }
            }
            return false;
        });
    });
    // Another file of the MP3's folder, whole and with ranges.
    svr.Get(R"(/beside/([\w.-]+))", [this](const httplib::Request& req, httplib::Response& res) {
        std::string name = req.matches[1];
        std::ifstream in(mp3Path_.substr(0, mp3Path_.rfind('/') + 1) + name, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        res.set_content(bytes, name.ends_with(".m4a") ? "audio/mp4" : "application/octet-stream");
    });
    svr.Get("/trickle.mp3", [this, &mp3, pause](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(mp3.size(), "audio/mpeg",
                                 [this, &mp3, pause](size_t offset, size_t, httplib::DataSink& sink) {
                                     size_t n = std::min<size_t>(kBytesPerSecond / 20, mp3.size() - offset);
                                     pause(100);  // 800 bytes per 100 ms: half the bit rate
                                     return !stopping_ && sink.write(mp3.data() + offset, n);
                                 });
    });
    svr.Get("/cut.mp3", [&mp3](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(
            mp3.size(), "audio/mpeg", [&mp3](size_t offset, size_t, httplib::DataSink& sink) {
                if (offset >= mp3.size() / 3) return false;  // the connection is dropped
                return sink.write(mp3.data() + offset, std::min<size_t>(4000, mp3.size() / 3 - offset));
            });
    });
    svr.Get("/stall.mp3", [this, &mp3, pause](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider("audio/mpeg", [this, &mp3, pause](size_t offset, httplib::DataSink& sink) {
            if (offset < kBytesPerSecond / 2) return sink.write(mp3.data(), kBytesPerSecond / 2);
            pause(50);  // nothing more, but the connection stays open
            return !stopping_;
        });
    });

    port_ = svr.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { impl_->server->listen_after_bind(); });
    // Running is not yet answering: the worker pool starts after that. Ask
    // until a request comes back, so that nothing of the server is still
    // starting when a test begins (and counts threads).
    httplib::Client probe(url(""));
    probe.enable_server_certificate_verification(false);
    probe.set_connection_timeout(std::chrono::milliseconds(200));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!probe.Get("/missing.mp3") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    silentFd_ = testsupport::listenOnLoopback(silentPort_);
    silentThread_ = std::thread([this] {
        while (!stopping_) {
            pollfd p{silentFd_, POLLIN, 0};
            if (::poll(&p, 1, 50) == 1) {
                int c = ::accept4(silentFd_, nullptr, nullptr, SOCK_CLOEXEC);
                if (c >= 0) silentClients_.push_back(c);  // held open, never answered
            }
        }
    });
}

HttpServer::~HttpServer() {
    stopping_ = true;
    impl_->server->stop();
    if (thread_.joinable()) thread_.join();
    if (silentThread_.joinable()) silentThread_.join();
    for (int c : silentClients_) ::close(c);
    if (silentFd_ >= 0) ::close(silentFd_);
}

std::string HttpServer::url(const std::string& path) const {
    return scheme_ + "://127.0.0.1:" + std::to_string(port_) + path;
}

std::string HttpServer::silentUrl() const {
    return "http://127.0.0.1:" + std::to_string(silentPort_) + "/radio.mp3";
}

}  // namespace audiotest
