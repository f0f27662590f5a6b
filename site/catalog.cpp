#include "catalog.h"

#include <algorithm>
#include <cstring>

#include "platform/text/cp1251.h"

namespace site {
namespace {

uint64_t fnv1a(std::string_view bytes, uint64_t salt) {
    uint64_t h = 0xcbf29ce484222325ULL ^ salt;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 0x100000001b3ULL;
    }
    return h;
}

const char* findBytes(const char* from, const char* to, const std::string& word) {
    return static_cast<const char*>(memmem(from, to - from, word.data(), word.size()));
}

}  // namespace

std::string foldForSearch(std::string_view utf8) {
    std::string s = text::lowerUtf8(utf8);
    // "ё" is D1 91 in UTF-8, "е" is D0 B5.
    for (size_t i = 0; i + 1 < s.size(); ++i) {
        if (s[i] == '\xD1' && s[i + 1] == '\x91') {
            s[i] = '\xD0';
            s[i + 1] = '\xB5';
            ++i;
        }
    }
    return s;
}

std::string formatId(uint64_t id) {
    static const char kHex[] = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, id >>= 4) out[i] = kHex[id & 15];
    return out;
}

bool parseId(std::string_view text, uint64_t& id) {
    if (text.size() != 16) return false;
    uint64_t v = 0;
    for (char c : text) {
        int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (d < 0) return false;
        v = v << 4 | uint64_t(d);
    }
    id = v;
    return true;
}

Catalog::Catalog(std::vector<Track> tracks) {
    struct Keyed {
        std::string artist, title;
        size_t index;
    };
    std::vector<Keyed> keys;
    keys.reserve(tracks.size());
    for (size_t i = 0; i < tracks.size(); ++i)
        keys.push_back({foldForSearch(tracks[i].artist), foldForSearch(tracks[i].title), i});
    std::sort(keys.begin(), keys.end(), [&](const Keyed& a, const Keyed& b) {
        if (a.artist != b.artist) return a.artist < b.artist;
        if (a.title != b.title) return a.title < b.title;
        return tracks[a.index].path < tracks[b.index].path;
    });

    tracks_.reserve(tracks.size());
    starts_.reserve(tracks.size() + 1);
    byId_.reserve(tracks.size());
    for (auto& k : keys) {
        Track& t = tracks[k.index];
        starts_.push_back(haystack_.size());
        haystack_ += k.artist;
        haystack_ += '\x01';
        haystack_ += k.title;
        haystack_ += '\x01';
        haystack_ += foldForSearch(t.fileName);
        haystack_ += '\0';
        // A clash of two paths' hashes is settled by salting the later one.
        for (uint64_t salt = 0;; ++salt) {
            t.id = fnv1a(t.path, salt);
            if (byId_.emplace(t.id, tracks_.size()).second) break;
        }
        tracks_.push_back(std::move(t));
    }
    starts_.push_back(haystack_.size());
}

std::vector<const Track*> Catalog::search(const std::vector<std::string>& words, size_t limit) const {
    std::vector<const Track*> hits;
    if (limit == 0) return hits;
    if (words.empty()) {
        for (size_t i = 0; i < tracks_.size() && hits.size() < limit; ++i) hits.push_back(&tracks_[i]);
        return hits;
    }
    // The longest word is usually the rarest: scan the whole haystack for it,
    // and test the other words only inside the tracks where it occurs.
    std::vector<const std::string*> order;
    for (auto& w : words) order.push_back(&w);
    std::sort(order.begin(), order.end(), [](auto* a, auto* b) { return a->size() > b->size(); });
    if (order.front()->empty()) return search({}, limit);

    const char* base = haystack_.data();
    const char* end = base + haystack_.size();
    const char* from = base;
    while (hits.size() < limit) {
        const char* p = findBytes(from, end, *order.front());
        if (!p) break;
        size_t offset = p - base;
        size_t k = std::upper_bound(starts_.begin(), starts_.end(), offset) - starts_.begin() - 1;
        const char* trackBegin = base + starts_[k];
        const char* trackEnd = base + starts_[k + 1];
        bool all = std::all_of(order.begin() + 1, order.end(),
                               [&](auto* w) { return w->empty() || findBytes(trackBegin, trackEnd, *w); });
        if (all) hits.push_back(&tracks_[k]);
        from = trackEnd;
    }
    return hits;
}

const Track* Catalog::find(uint64_t id) const {
    auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : &tracks_[it->second];
}

}  // namespace site
