// Shared helpers of the site's tests: temporary music folders with small
// tagged MP3s (made once with sox and lame, then copied and re-tagged), and a
// site served in-process on a free loopback port.
#pragma once

#include <httplib.h>

#include <memory>
#include <string>
#include <thread>

#include "server.h"
#include "support/temp_dir.h"

namespace site_test {

// The shared temporary folder, spoken of in strings as the site's own
// options and command lines are.
class TempDir {
  public:
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    testsupport::TempDir dir_;
    std::string path_ = dir_.str();
};

// The build and source folders: from the environment, else as configured.
std::string binaryDir();
std::string sourceDir();

using testsupport::run;

// A two-second 64 kbit/s mono MP3, made once into the build folder; its path.
const std::string& toneMp3();

// Copies the tone to `path` (creating folders) and writes an ID3v2 tag with
// the given UTF-8 artist and title; empty strings write no such field.
void makeTagged(const std::string& path, const std::string& artist, const std::string& title);

// A Site over `folder`, indexed and serving on 127.0.0.1 in a thread of its
// own; its index stored at `dbPath` (none: in memory).
class ServedSite {
  public:
    explicit ServedSite(const std::string& folder, const std::string& dbPath = {});
    ~ServedSite();
    site::Site& site() { return *site_; }
    int port() const { return port_; }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    httplib::Client client() const;

  private:
    std::unique_ptr<site::Site> site_;
    int port_ = -1;
    std::thread thread_;
};

// Reads result lines from a page the way the player's scraper does: for N from
// 1, the first "N. <a href=\"" from the start of the page, the link up to "\">",
// the title up to "</a>", the display up to "<BR>". Stops at the first missing N.
struct Scraped {
    std::string link, title, display;
};
std::vector<Scraped> scrape(const std::string& page);

// "%XX" for every byte of `bytes` that is not ASCII alphanumeric.
std::string percentEncode(const std::string& bytes);

}  // namespace site_test
