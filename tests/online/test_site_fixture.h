// A web server on 127.0.0.1 for the tests of this folder (cpp-httplib): the
// test registers its pages before the server starts; requests are recorded.
#pragma once

#include <httplib.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace onlinetest {

struct SeenRequest {
    std::string path;
    std::string target;  // path and query as sent
    std::string query;   // the decoded bytes of parameter "q"
    std::string userAgent;
};

class TestSite {
  public:
    explicit TestSite(const std::function<void(httplib::Server&)>& pages);
    ~TestSite();
    TestSite(const TestSite&) = delete;
    TestSite& operator=(const TestSite&) = delete;

    int port() const { return port_; }
    std::string base() const;  // "http://127.0.0.1:PORT/"
    std::vector<SeenRequest> requests() const;
    int count(const std::string& path) const;

  private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<SeenRequest> requests_;  // guarded by mutex_
};

// A port on 127.0.0.1 where nothing listens.
int closedPort();

// Windows-1251 result page lines "N. <a href="/f/N.mp3">Artist N - Song N</a> 3:20 128 kbit/s<BR>".
std::string resultPage(int results);

// `bytes` bytes of MPEG audio frames (Layer III, 128 kbit/s, 44.1 kHz: 417
// bytes each, filled with `fill`), which a download takes for audio.
std::string mp3Bytes(size_t bytes, char fill = 'm');

// One site for the process whose "search.php" answers resultPage(99).
TestSite& fullResultsSite();

}  // namespace onlinetest
