#include "query.h"

#include "catalog.h"
#include "names.h"
#include "platform/text/cp1251.h"
#include "platform/text/percent.h"

namespace site {
namespace {

std::string percentDecode(std::string_view s) {
    return text::percentDecode(s, true);
}

}  // namespace

std::string_view queryPart(std::string_view target) {
    size_t q = target.find('?');
    if (q == std::string_view::npos) return {};
    target = target.substr(q + 1);
    return target.substr(0, target.find('#'));
}

std::string queryParam(std::string_view query, std::string_view name) {
    while (!query.empty()) {
        size_t amp = query.find('&');
        std::string_view pair = query.substr(0, amp);
        size_t eq = pair.find('=');
        if (percentDecode(pair.substr(0, eq)) == name)
            return eq == std::string_view::npos ? std::string() : percentDecode(pair.substr(eq + 1));
        if (amp == std::string_view::npos) break;
        query = query.substr(amp + 1);
    }
    return {};
}

std::string queryText(std::string_view bytes) {
    bool multiByte = false;
    return isUtf8(bytes, multiByte) && multiByte ? std::string(bytes) : text::fromCp1251(bytes);
}

std::vector<std::string> searchWords(std::string_view utf8) {
    std::string bytes(utf8.substr(0, 1000));
    // Controls and the no-break space (C2 A0) separate words like spaces.
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (static_cast<unsigned char>(bytes[i]) <= ' ' || bytes[i] == 0x7F) bytes[i] = ' ';
        if (bytes[i] == '\xC2' && i + 1 < bytes.size() && bytes[i + 1] == '\xA0')
            bytes[i] = bytes[i + 1] = ' ';
    }
    std::string folded = foldForSearch(bytes);
    std::vector<std::string> words;
    size_t i = 0;
    while (words.size() < 16) {
        i = folded.find_first_not_of(' ', i);
        if (i == std::string::npos) break;
        size_t e = folded.find(' ', i);
        words.push_back(folded.substr(i, e == std::string::npos ? std::string::npos : e - i));
        i = e;
    }
    return words;
}

}  // namespace site
