// Percent-encoding of bytes for addresses, and its decoding.
#pragma once

#include <string>
#include <string_view>

namespace text {

// Every byte that `keep` refuses becomes "%" and two upper-case hex digits.
template <class Keep>
std::string percentEncode(std::string_view bytes, Keep keep) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) {
        if (keep(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// "%41" as "A"; a "%" that starts no escape stays as it is. With
// `plusIsBlank` (a form's query), "+" is a blank.
inline std::string percentDecode(std::string_view text, bool plusIsBlank = false) {
    const auto digit = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (plusIsBlank && text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && digit(text[i + 1]) >= 0 &&
                   digit(text[i + 2]) >= 0) {
            out += static_cast<char>(digit(text[i + 1]) << 4 | digit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace text
