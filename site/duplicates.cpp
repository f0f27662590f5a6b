#include "duplicates.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string_view>
#include <tuple>

namespace site {
namespace {

// A 64-bit hash of a whole file, 8 bytes at a time; with the size it tells
// copies apart from different files of the same length and tags.
bool hashFile(const std::string& path, uint64_t& hash) {
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    uint64_t h = 0x9E3779B97F4A7C15ULL;
    std::vector<char> buf(1 << 16);
    ssize_t n;
    while ((n = ::read(fd, buf.data(), buf.size())) > 0) {
        for (ssize_t i = 0; i < n; i += 8) {
            uint64_t w = 0;
            std::memcpy(&w, buf.data() + i, size_t(std::min<ssize_t>(8, n - i)));
            w ^= w >> 33;
            w *= 0xFF51AFD7ED558CCDULL;
            h = (h ^ w) * 0xC4CEB9FE1A85EC53ULL;
            h ^= h >> 29;
        }
    }
    ::close(fd);
    hash = h;
    return n == 0;
}

}  // namespace

bool inSaveFolder(const Track& t) {
    static const std::string named = [] {
        const char* d = std::getenv("KESTREL_SAVE_DIR");
        std::string s = d ? d : "";
        while (s.size() > 1 && s.back() == '/') s.pop_back();
        return s;
    }();
    if (!named.empty() && t.path.rfind(named + "/", 0) == 0) return true;
    std::string_view folders = t.folder;
    while (!folders.empty()) {
        size_t slash = folders.find('/');
        if (folders.substr(0, slash) == "Kestrel Player") return true;
        folders = slash == std::string_view::npos ? std::string_view() : folders.substr(slash + 1);
    }
    return false;
}

const Duplicates::Digest& Duplicates::digestOf(const Track& t) {
    Digest& d = digests_[t.path];
    if (d.size != t.size || d.mtime != t.mtime) {
        d.size = t.size;
        d.mtime = t.mtime;
        d.read = hashFile(t.path, d.hash);
    }
    return d;
}

std::unordered_set<uint64_t> Duplicates::hidden(const std::vector<std::shared_ptr<const Track>>& tracks) {
    // Copies of one file agree in all of these; different tracks rarely do.
    using Key = std::tuple<int64_t, int, int, std::string_view, std::string_view>;
    std::vector<std::pair<Key, const Track*>> keyed;
    keyed.reserve(tracks.size());
    for (const auto& t : tracks)
        keyed.push_back({Key{t->size, t->seconds, t->kbps, t->artist, t->title}, t.get()});
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    std::unordered_set<uint64_t> hidden;
    std::unordered_map<std::string, Digest> kept;
    for (size_t i = 0, end; i < keyed.size(); i = end) {
        for (end = i + 1; end < keyed.size() && keyed[end].first == keyed[i].first;) ++end;
        if (end - i < 2) continue;
        std::map<uint64_t, std::vector<const Track*>> copies;
        for (size_t k = i; k < end; ++k) {
            const Track* t = keyed[k].second;
            const Digest& d = digestOf(*t);
            kept[t->path] = d;
            if (d.read) copies[d.hash].push_back(t);
        }
        for (auto& [hash, same] : copies) {
            if (same.size() < 2) continue;
            auto keep = std::min_element(same.begin(), same.end(), [](const Track* a, const Track* b) {
                return std::make_tuple(inSaveFolder(*a), a->path) <
                       std::make_tuple(inSaveFolder(*b), b->path);
            });
            for (const Track* t : same)
                if (t != *keep) hidden.insert(t->id);
        }
    }
    digests_ = std::move(kept);  // files that lost their twin are forgotten
    return hidden;
}

}  // namespace site
