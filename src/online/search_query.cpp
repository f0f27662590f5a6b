#include "online/search_query.h"

#include "platform/text/cp1251.h"
#include "platform/text/percent.h"

std::string encodeQuery(std::string_view typed) {
    // Windows-1251 when every character fits (what every such site expects),
    // else UTF-8, which the site tells apart by its multi-byte sequences.
    std::string bytes = text::toCp1251(typed);
    if (text::fromCp1251(bytes) != typed) bytes = std::string(typed);
    const std::string encoded = text::percentEncode(bytes, [](unsigned char c) {
        return c > 0x20 && c < 0x7F && c != '%' && c != '&' && c != '#' && c != '+' && c != '?';
    });
    // Spaces become "+"; a "+" the user typed was encoded above.
    std::string out;
    out.reserve(encoded.size());
    for (size_t i = 0; i < encoded.size();) {
        if (encoded.compare(i, 3, "%20") == 0) {
            out += '+';
            i += 3;
        } else {
            out += encoded[i++];
        }
    }
    return out;
}

std::string searchAddress(const std::string& base, const std::string& encodedQuery) {
    return base + "search.php?p=1&v=0&q=" + encodedQuery + "&x=32&y=15";
}
