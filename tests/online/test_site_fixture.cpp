#include "test_site_fixture.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace onlinetest {

TestSite::TestSite(const std::function<void(httplib::Server&)>& pages) {
    pages(server_);
    server_.set_logger([this](const httplib::Request& req, const httplib::Response&) {
        std::lock_guard lock(mutex_);
        requests_.push_back(
            {req.path, req.target, req.get_param_value("q"), req.get_header_value("User-Agent")});
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TestSite::~TestSite() {
    server_.stop();
    thread_.join();
}

std::string TestSite::base() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

std::vector<SeenRequest> TestSite::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

int TestSite::count(const std::string& path) const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& r : requests_) n += r.path == path;
    return n;
}

int closedPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);  // bound but never listened on, then released: connections are refused
    return ntohs(addr.sin_port);
}

std::string resultPage(int results) {
    std::string page = "<html><body>\r\n";
    for (int n = 1; n <= results; ++n)
        page += std::to_string(n) + ". <a href=\"/f/" + std::to_string(n) + ".mp3\">Artist " +
                std::to_string(n) + " - Song " + std::to_string(n) + "</a> 3:20 128 kbit/s<BR>\r\n";
    return page + "</body></html>\r\n";
}

std::string mp3Bytes(size_t bytes, char fill) {
    std::string out(bytes, fill);
    for (size_t at = 0; at + 4 <= bytes; at += 417) out.replace(at, 4, "\xFF\xFB\x90\x64");
    return out;
}

TestSite& fullResultsSite() {
    static TestSite site([](httplib::Server& server) {
        server.Get("/search.php", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(resultPage(99), "text/html");
        });
    });
    return site;
}

}  // namespace onlinetest
