#include "platform/text/case_fold.h"

#include <locale.h>
#include <wctype.h>

namespace text {
namespace {

// C.UTF-8 carries the whole Unicode case mapping in glibc; the process's
// own locale may be plain "C", which lower-cases ASCII only.
locale_t unicodeLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    return locale;
}

// The code point at s[i] and the length of its sequence; 1 and the byte
// itself when no valid sequence starts there.
size_t decode(std::string_view s, size_t i, char32_t& cp) {
    const auto b = static_cast<unsigned char>(s[i]);
    const size_t len = b < 0x80                 ? 1
                       : b >= 0xC2 && b <= 0xDF ? 2
                       : b >= 0xE0 && b <= 0xEF ? 3
                       : b >= 0xF0 && b <= 0xF4 ? 4
                                                : 0;
    cp = b;
    if (len <= 1 || i + len > s.size()) return 1;
    char32_t value = b & (0xFF >> (len + 1));
    for (size_t k = 1; k < len; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if ((c & 0xC0) != 0x80) return 1;
        value = (value << 6) | (c & 0x3F);
    }
    cp = value;
    return len;
}

}  // namespace

std::u32string caseFolded(std::string_view utf8) {
    const locale_t locale = unicodeLocale();
    std::u32string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = 0;
        i += decode(utf8, i, cp);
        if (locale)
            cp = static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), locale));
        else if (cp >= 'A' && cp <= 'Z')
            cp += 32;
        out += cp;
    }
    return out;
}

}  // namespace text
