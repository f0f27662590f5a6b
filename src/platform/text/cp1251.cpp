#include "platform/text/cp1251.h"

#include <array>
#include <cstdint>
#include <unordered_map>

namespace text {
namespace {

// Code points of bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F.
constexpr std::array<char16_t, 64> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

char32_t codePoint(unsigned char b) {
    if (b < 0x80) return b;
    if (b >= 0xC0) return 0x0410 + (b - 0xC0);
    return kHigh[b - 0x80];
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

const std::unordered_map<char32_t, unsigned char>& reverseTable() {
    static const auto table = [] {
        std::unordered_map<char32_t, unsigned char> t;
        for (int b = 0x80; b < 0x100; ++b) t.emplace(codePoint(static_cast<unsigned char>(b)), b);
        return t;
    }();
    return table;
}

// Decodes one UTF-8 sequence at s[i]; returns its length, or 0 when invalid.
size_t decodeUtf8(std::string_view s, size_t i, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    size_t len = b0 < 0x80 ? 1 : (b0 >> 5) == 6 ? 2 : (b0 >> 4) == 14 ? 3 : (b0 >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return 0;
    cp = len == 1 ? b0 : len == 2 ? (b0 & 0x1F) : len == 3 ? (b0 & 0x0F) : (b0 & 0x07);
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    return len;
}

}  // namespace

std::string fromCp1251(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) appendUtf8(out, codePoint(b));
    return out;
}

std::string utf8OrCp1251(std::string_view bytes) {
    char32_t cp = 0;
    for (size_t i = 0; i < bytes.size();) {
        const size_t len = decodeUtf8(bytes, i, cp);
        if (len == 0) return fromCp1251(bytes);
        i += len;
    }
    return std::string(bytes);
}

std::string toCp1251(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    const auto& table = reverseTable();
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        size_t len = decodeUtf8(utf8, i, cp);
        if (len == 0) {  // stray byte: keep it as its Latin-1 reading
            cp = static_cast<unsigned char>(utf8[i]);
            len = 1;
        }
        if (cp < 0x80) {
            out += char(cp);
        } else if (auto it = table.find(cp); it != table.end()) {
            out += char(it->second);
        } else {
            out += '?';
        }
        i += len;
    }
    return out;
}

bool fitsCp1251(std::string_view utf8) {
    return fromCp1251(toCp1251(utf8)) == utf8;
}

std::string fromLatin1OfCp1251(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + utf8.size() / 2);
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        size_t len = decodeUtf8(utf8, i, cp);
        if (len == 0) {  // a stray byte stands for itself
            cp = static_cast<unsigned char>(utf8[i]);
            len = 1;
        }
        appendUtf8(out, cp <= 0xFF ? codePoint(static_cast<unsigned char>(cp)) : cp);
        i += len;
    }
    return out;
}

std::string lowerUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        size_t len = decodeUtf8(utf8, i, cp);
        if (len == 0) {
            out += utf8[i++];
            continue;
        }
        if (cp >= 'A' && cp <= 'Z')
            cp += 32;
        else if (cp >= 0x0410 && cp <= 0x042F)
            cp += 32;
        else if (cp >= 0x0400 && cp <= 0x040F)
            cp += 80;
        appendUtf8(out, cp);
        i += len;
    }
    return out;
}

}  // namespace text
