// A local HTTP server for the audio library's network tests, on 127.0.0.1:
//   /tone.mp3     a file (with ranges, so it is seekable)
//   /radio        an endless MP3 stream at real-time pace, with ICY metadata
//                 when the client asks for it
//   /moved.mp3    a redirect to /tone.mp3
//   /local.mp3    a redirect to the MP3 as a file:// address
//   /missing.mp3  404
//   /page.mp3     an HTML page
//   /trickle.mp3  the MP3 at half its bit rate
//   /cut.mp3      a file whose connection is closed a third of the way in
//   /stall.mp3    half a second of MP3, then silence on an open connection
//   /beside/NAME  another file of the MP3's folder (with ranges)
// and a second port that accepts connections and never answers.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace audiotest {

class HttpServer {
  public:
    // `mp3`: the bytes served by the file routes (a 128 kbit/s CBR MP3).
    // With a certificate and key (PEM files) it speaks HTTPS.
    explicit HttpServer(const std::string& mp3Path, const std::string& certPath = "",
                        const std::string& keyPath = "");
    ~HttpServer();

    std::string url(const std::string& path) const;
    std::string silentUrl() const;  // the port that never answers
    bool icyRequested() const { return icyRequested_.load(); }

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string mp3Path_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> icyRequested_{false};
    std::string scheme_ = "http";
    int port_ = 0;
    int silentFd_ = -1;
    int silentPort_ = 0;
    std::thread thread_;
    std::thread silentThread_;
    std::vector<int> silentClients_;  // silent thread only, until joined
};

}  // namespace audiotest
