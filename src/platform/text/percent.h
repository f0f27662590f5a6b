// Percent-encoding of bytes for addresses: every byte that `keep` refuses
// becomes "%" and two upper-case hex digits.
#pragma once

#include <string>
#include <string_view>

namespace text {

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

}  // namespace text
