#include "site_fixture.h"

#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace site_test {

std::string binaryDir() {
    if (const char* dir = std::getenv("KESTREL_BINARY_DIR")) return dir;
#ifdef KESTREL_BINARY_DIR
    return KESTREL_BINARY_DIR;
#else
    return ".";
#endif
}

std::string sourceDir() {
    if (const char* dir = std::getenv("KESTREL_SOURCE_DIR")) return dir;
#ifdef KESTREL_SOURCE_DIR
    return KESTREL_SOURCE_DIR;
#else
    return "";
#endif
}

const std::string& toneMp3() {
    static const std::string path = [] {
        std::string dir = binaryDir() + "/tests/site/fixtures";
        std::string mp3 = dir + "/tone.mp3";
        if (fs::exists(mp3)) return mp3;
        fs::create_directories(dir);
        // Made under a name of this process and renamed, so that test
        // processes running side by side never see half a file.
        std::string tmp = dir + "/tone-" + std::to_string(getpid());
        if (run("sox -n -r 22050 -c 1 '" + tmp + ".wav' synth 2 sine 440 && lame --quiet -b 64 '" + tmp +
                ".wav' '" + tmp + ".mp3' && mv '" + tmp + ".mp3' '" + mp3 + "'; rm -f '" + tmp + ".wav'") !=
            0)
            throw std::runtime_error("sox or lame failed");
        return mp3;
    }();
    return path;
}

void makeTagged(const std::string& path, const std::string& artist, const std::string& title) {
    fs::create_directories(fs::path(path).parent_path());
    fs::copy_file(toneMp3(), path, fs::copy_options::overwrite_existing);
    TagLib::MPEG::File file(path.c_str());
    auto* tag = file.ID3v2Tag(true);
    if (!artist.empty()) tag->setArtist(TagLib::String(artist, TagLib::String::UTF8));
    if (!title.empty()) tag->setTitle(TagLib::String(title, TagLib::String::UTF8));
    file.save(TagLib::MPEG::File::ID3v2);
}

ServedSite::ServedSite(const std::string& folder, const std::string& dbPath) {
    site_ = std::make_unique<site::Site>(
        std::vector<std::string>{folder}, [](const std::string&) {}, dbPath);
    site_->open();
    site_->reindex();
    port_ = site_->bind("127.0.0.1", 0);
    if (port_ <= 0) throw std::runtime_error("bind failed");
    thread_ = std::thread([this] { site_->run(); });
}

ServedSite::~ServedSite() {
    site_->stop();
    thread_.join();
}

httplib::Client ServedSite::client() const {
    httplib::Client c("127.0.0.1", port_);
    c.set_connection_timeout(5);
    c.set_read_timeout(10);
    c.set_url_encode(false);  // send targets byte for byte, as the player does
    return c;
}

std::vector<Scraped> scrape(const std::string& page) {
    std::vector<Scraped> out;
    for (int n = 1; n <= 99; ++n) {
        std::string marker = std::to_string(n) + ". <a href=\"";
        size_t p = page.find(marker);
        if (p == std::string::npos) break;
        std::string rest = page.substr(p + marker.size());
        size_t q = rest.find("\">");
        Scraped s;
        s.link = rest.substr(0, q);
        std::string after = q == std::string::npos ? rest.substr(1) : rest.substr(q + 2);
        s.display = after.substr(0, after.find("<BR>"));
        s.title = after.substr(0, after.find("</a>"));
        out.push_back(s);
    }
    return out;
}

std::string percentEncode(const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (std::isalnum(c) && c < 0x80) {
            out += char(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

}  // namespace site_test
