#include "catalog.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "names.h"
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

const char* memmemBytes(const char* from, const char* to, const std::string& word) {
    return static_cast<const char*>(memmem(from, to - from, word.data(), word.size()));
}

// A search that finds little reads the whole haystack, so this scan is the
// site's p99. Testing 16 positions at once for two bytes of the word, then
// comparing the candidates, takes half to a third of memmem's time
// (bench_site_catalog). The two bytes: the last, and the first that is not a
// UTF-8 lead byte (0xD0 and 0xD1 begin half of every Cyrillic text).
const char* findBytes(const char* from, const char* to, const std::string& word) {
#if defined(__SSE2__)
    size_t n = word.size();
    if (n < 2 || size_t(to - from) < n + 16) return memmemBytes(from, to, word);
    size_t a = 0;
    while (a + 1 < n && static_cast<unsigned char>(word[a]) >= 0xC0) ++a;
    size_t b = n - 1;
    if (a == b) a = 0;
    const __m128i wantA = _mm_set1_epi8(word[a]);
    const __m128i wantB = _mm_set1_epi8(word[b]);
    const char* p = from;
    // Every start p + i (i < 16) leaves the whole word inside [from, to).
    for (; p + 16 + n <= to + 1; p += 16) {
        __m128i atA = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + a));
        __m128i atB = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + b));
        unsigned mask = unsigned(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(atA, wantA), _mm_cmpeq_epi8(atB, wantB))));
        for (; mask; mask &= mask - 1) {
            const char* at = p + __builtin_ctz(mask);
            if (std::memcmp(at, word.data(), n) == 0) return at;
        }
    }
    return memmemBytes(p, to, word);
#else
    return memmemBytes(from, to, word);
#endif
}

}  // namespace

std::string foldForSearch(std::string_view utf8) {
    // Base letters of U+00C0..U+00FF and U+0100..U+017F; '*' keeps the character.
    static const char kLatin1[] = "aaaaaaaceeeeiiiidnooooo*ouuuuy*saaaaaaaceeeeiiiidnooooo*ouuuuy*y";
    static const char kLatinA[] =
        "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiiiiijjkkklllllll"
        "lllnnnnnnnnnoooooooorrrrrrssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";
    static_assert(sizeof kLatin1 == 65 && sizeof kLatinA == 129);
    std::string lower = text::lowerUtf8(utf8);
    std::string s;
    s.reserve(lower.size());
    for (size_t i = 0; i < lower.size(); ++i) {
        auto c = static_cast<unsigned char>(lower[i]);
        auto next = i + 1 < lower.size() ? static_cast<unsigned char>(lower[i + 1]) : 0;
        if (c >= 0xC3 && c <= 0xC5 && (next & 0xC0) == 0x80) {
            unsigned cp = (c & 0x1F) << 6 | (next & 0x3F);
            char base = cp < 0x100 ? kLatin1[cp - 0xC0] : kLatinA[cp - 0x100];
            if (base != '*') {
                s += base;
                ++i;
                continue;
            }
        } else if ((c == 0xCC || (c == 0xCD && next < 0xB0)) && (next & 0xC0) == 0x80) {
            ++i;  // a combining accent (U+0300..U+036F) is dropped
            continue;
        } else if (c == 0xD1 && next == 0x91) {
            s += "\xD0\xB5";  // "ё" matches "е"
            ++i;
            continue;
        }
        s += char(c);
    }
    return s;
}

uint64_t pathId(std::string_view path, uint64_t salt) {
    return fnv1a(path, salt);
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
    // An id given (kept from earlier scans) stays; else one follows from the
    // path, a clash of two paths' hashes settled by salting the later one.
    std::unordered_set<uint64_t> used;
    used.reserve(tracks.size());
    std::vector<std::shared_ptr<const Track>> shared;
    shared.reserve(tracks.size());
    for (Track& t : tracks) {
        if (t.id == 0 || !used.insert(t.id).second) {
            for (uint64_t salt = 0;; ++salt) {
                t.id = fnv1a(t.path, salt);
                if (t.id != 0 && used.insert(t.id).second) break;
            }
        }
        shared.push_back(std::make_shared<const Track>(std::move(t)));
    }
    *this = Catalog(std::move(shared));
}

Catalog::Catalog(std::vector<std::shared_ptr<const Track>> tracks,
                 const std::unordered_set<uint64_t>& unlisted) {
    struct Keyed {
        std::string artist, title;
        const Track* track;
        size_t index;
    };
    std::vector<Keyed> keys;
    keys.reserve(tracks.size());
    for (size_t i = 0; i < tracks.size(); ++i)
        keys.push_back(
            {foldForSearch(tracks[i]->artist), foldForSearch(tracks[i]->title), tracks[i].get(), i});
    std::sort(keys.begin(), keys.end(), [](const Keyed& a, const Keyed& b) {
        if (a.artist != b.artist) return a.artist < b.artist;
        if (a.title != b.title) return a.title < b.title;
        return a.track->path < b.track->path;
    });

    tracks_.reserve(tracks.size());
    starts_.reserve(tracks.size() + 1);
    byId_.reserve(tracks.size());
    for (auto& k : keys) {
        const Track& t = *k.track;
        starts_.push_back(haystack_.size());
        byId_.emplace_back(t.id, uint32_t(tracks_.size()));
        tracks_.push_back(std::move(tracks[k.index]));
        if (unlisted.count(t.id)) {
            haystack_ += '\0';  // no word matches it
            continue;
        }
        haystack_ += k.artist;
        haystack_ += '\x01';
        haystack_ += k.title;
        haystack_ += '\x01';
        haystack_ += foldForSearch(t.album);
        haystack_ += '\x01';
        haystack_ += foldForSearch(t.folder);
        haystack_ += '/';
        haystack_ += foldForSearch(nameText(t.fileName));
        haystack_ += '\0';
    }
    std::sort(byId_.begin(), byId_.end());
    starts_.push_back(haystack_.size());
    haystack_.shrink_to_fit();  // grown by doubling: up to half of it unused
}

std::vector<const Track*> Catalog::search(const std::vector<std::string>& words, size_t limit) const {
    std::vector<const Track*> hits;
    if (limit == 0) return hits;
    if (words.empty()) {
        for (size_t i = 0; i < tracks_.size() && hits.size() < limit; ++i)
            if (starts_[i + 1] - starts_[i] > 1) hits.push_back(tracks_[i].get());
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
        if (all) hits.push_back(tracks_[k].get());
        from = trackEnd;
    }
    return hits;
}

const Track* Catalog::find(uint64_t id) const {
    auto it = std::lower_bound(byId_.begin(), byId_.end(), std::make_pair(id, uint32_t(0)));
    return it == byId_.end() || it->first != id ? nullptr : tracks_[it->second].get();
}

}  // namespace site
