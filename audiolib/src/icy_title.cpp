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

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The character of the entity at the start of `s` ("&amp;", "&#1056;",
// "&#x420;") and the entity's length; 0 when it is none.
char32_t entityAt(std::string_view s, size_t* length) {
    static constexpr struct {
        std::string_view name;
        char32_t c;
    } kNamed[] = {{"amp", '&'},      {"lt", '<'},       {"gt", '>'},        {"quot", '"'},
                  {"apos", '\''},    {"nbsp", 0xA0},    {"laquo", 0xAB},    {"raquo", 0xBB},
                  {"ndash", 0x2013}, {"mdash", 0x2014}, {"hellip", 0x2026}, {"lsquo", 0x2018},
                  {"rsquo", 0x2019}, {"ldquo", 0x201C}, {"rdquo", 0x201D},  {"bdquo", 0x201E},
                  {"bull", 0x2022},  {"middot", 0xB7},  {"copy", 0xA9},     {"reg", 0xAE},
                  {"trade", 0x2122}, {"deg", 0xB0},     {"euro", 0x20AC},   {"times", 0xD7}};
    size_t end = s.substr(0, 12).find(';');
    if (end == std::string_view::npos || end < 2 || end > 10) return 0;
    std::string_view body = s.substr(1, end - 1);
    *length = end + 1;
    if (body[0] != '#') {
        for (const auto& e : kNamed)
            if (e.name == body) return e.c;
        return 0;
    }
    const bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
    std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty()) return 0;
    char32_t value = 0;
    for (char d : digits) {
        int v = d >= '0' && d <= '9'          ? d - '0'
                : hex && d >= 'a' && d <= 'f' ? d - 'a' + 10
                : hex && d >= 'A' && d <= 'F' ? d - 'A' + 10
                                              : -1;
        if (v < 0) return 0;
        value = value * (hex ? 16 : 10) + static_cast<char32_t>(v);
        if (value > 0x10FFFF) return 0xFFFD;
    }
    // No NUL, no half of a surrogate pair: the replacement character.
    if (value == 0 || (value >= 0xD800 && value <= 0xDFFF)) return 0xFFFD;
    return value;
}

// Some servers send what is not ASCII as HTML entities ("&#1050;&#1080;").
std::string decodeEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        size_t length = 0;
        char32_t c = text[at] == '&' ? entityAt(text.substr(at), &length) : 0;
        if (c == 0) {
            out += text[at++];
            continue;
        }
        appendUtf8(out, c);
        at += length;
    }
    return out;
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
    std::string title = decodeEntities(validUtf8(raw) ? std::string(raw) : text::fromCp1251(raw));
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
