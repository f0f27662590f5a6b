#include "online/page_text.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>

#include "platform/text/cp1251.h"

namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD";

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The value after the first "charset=" of `lowered`, up to a delimiter.
std::string charsetAfterKey(const std::string& lowered) {
    size_t at = lowered.find("charset=");
    if (at == std::string::npos) return {};
    at += 8;
    while (at < lowered.size() && (lowered[at] == '"' || lowered[at] == '\'' || lowered[at] == ' ')) ++at;
    size_t end = lowered.find_first_of("\"'; \t\r\n>/", at);
    return lowered.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// Length of the valid UTF-8 sequence at s[i], or 0.
size_t utf8Sequence(std::string_view s, size_t i) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = byte(i);
    if (c < 0x80) return 1;
    size_t len = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return 0;
    for (size_t k = 1; k < len; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    unsigned char c1 = byte(i + 1);
    if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) ||
        (c == 0xF4 && c1 > 0x8F))
        return 0;  // overlong, surrogate or beyond U+10FFFF
    return len;
}

std::string sanitizeUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        size_t len = utf8Sequence(s, i);
        if (len == 0) {
            out += replacement;
            ++i;
        } else {
            out.append(s.substr(i, len));
            i += len;
        }
    }
    return out;
}

bool viaIconv(std::string_view bytes, const std::string& charset, std::string& out) {
    iconv_t cd = iconv_open("UTF-8", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out.clear();
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char chunk[8192];
    while (inLeft > 0) {
        char* o = chunk;
        size_t oLeft = sizeof chunk;
        size_t rc = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(chunk, sizeof chunk - oLeft);
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            out += replacement;  // a malformed or truncated sequence: skip one byte
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return true;
}

}  // namespace

std::string declaredCharset(std::string_view contentType, std::string_view body) {
    std::string fromHeader = charsetAfterKey(lowerAscii(contentType));
    if (!fromHeader.empty()) return fromHeader;
    std::string head = lowerAscii(body.substr(0, std::min<size_t>(body.size(), 4096)));
    for (size_t meta = head.find("<meta"); meta != std::string::npos; meta = head.find("<meta", meta + 5)) {
        size_t end = head.find('>', meta);
        std::string charset =
            charsetAfterKey(head.substr(meta, end == std::string::npos ? end : end - meta + 1));
        if (!charset.empty()) return charset;
    }
    return "windows-1251";
}

std::string decodePage(std::string_view bytes, std::string_view charset) {
    std::string name = lowerAscii(charset);
    if (name == "windows-1251" || name == "cp1251" || name == "x-cp1251" || name == "win-1251")
        return text::fromCp1251(bytes);
    if (name == "utf-8" || name == "utf8" || name == "us-ascii" || name == "ascii")
        return sanitizeUtf8(bytes);
    std::string out;
    if (viaIconv(bytes, name, out)) return sanitizeUtf8(out);
    return text::fromCp1251(bytes);
}
