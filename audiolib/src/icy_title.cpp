#include "icy_title.h"

#include "platform/text/cp1251.h"

namespace kaudio {
namespace {

// Length of the UTF-8 sequence at `at`, or 0 when it is not well formed.
size_t sequenceLength(std::string_view s, size_t at) {
    unsigned char c = static_cast<unsigned char>(s[at]);
    size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || at + n > s.size() || (n == 2 && c < 0xC2)) return 0;
    for (size_t i = 1; i < n; ++i)
        if ((static_cast<unsigned char>(s[at + i]) & 0xC0) != 0x80) return 0;
    return n;
}

bool validUtf8(std::string_view s) {
    for (size_t at = 0; at < s.size();) {
        size_t n = sequenceLength(s, at);
        if (n == 0) return false;
        at += n;
    }
    return true;
}

std::string_view streamTitleValue(std::string_view metadata) {
    constexpr std::string_view key = "StreamTitle='";
    size_t start = metadata.find(key);
    if (start == std::string_view::npos) return {};
    start += key.size();
    // The value ends at "';" (titles may hold apostrophes of their own), or
    // at the last quote when the block was cut short.
    size_t end = metadata.find("';", start);
    if (end == std::string_view::npos) end = metadata.rfind('\'');
    if (end == std::string_view::npos || end < start) end = metadata.size();
    return metadata.substr(start, end - start);
}

}  // namespace

std::string icyTitle(std::string_view metadata) {
    std::string_view raw = streamTitleValue(metadata.substr(0, metadata.find('\0')));
    std::string title = validUtf8(raw) ? std::string(raw) : text::fromCp1251(raw);
    for (char& c : title)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    size_t first = title.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    title = title.substr(first, title.find_last_not_of(' ') - first + 1);
    if (title.size() > kMaxTitleBytes) {
        size_t cut = kMaxTitleBytes;
        while (cut > 0 && (static_cast<unsigned char>(title[cut]) & 0xC0) == 0x80) --cut;
        title.resize(cut);
    }
    return title;
}

}  // namespace kaudio
