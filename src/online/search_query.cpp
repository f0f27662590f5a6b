#include "online/search_query.h"

#include "platform/text/cp1251.h"

std::string encodeQuery(std::string_view typed) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text::toCp1251(typed)) {
        if (c == ' ') {
            out += '+';
        } else if (c == '%' || c == '&' || c == '#' || c == '+' || c < 0x20 || c >= 0x7F) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string searchAddress(const std::string& base, const std::string& encodedQuery) {
    return base + "search.php?p=1&v=0&q=" + encodedQuery + "&x=32&y=15";
}
