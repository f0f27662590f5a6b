// libFuzzer harness for the result-page reader: the charset detection, the
// decoding to UTF-8 and the scraping, compiled in so that they carry the
// coverage. The input's first line stands for the Content-Type header, the
// rest for the body. Every field must respect its closing mark, there are
// at most 99 results, and decoded text must be valid UTF-8.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "online/page_text.cpp"
#include "online/scrape.cpp"
#include "platform/text/cp1251.cpp"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

bool validUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        size_t len = utf8Sequence(s, i);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

void checkResults(const std::vector<SearchResult>& results) {
    require(results.size() <= 99);
    for (const SearchResult& r : results) {
        require(r.link.find("\">") == std::string::npos);
        require(r.title.find("</a>") == std::string::npos);
        require(r.display.find("<BR>") == std::string::npos);
        require(r.display.find("&#39;") == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t newline = input.find('\n');
    const std::string_view contentType =
        newline == std::string_view::npos ? std::string_view{} : input.substr(0, newline);
    const std::string_view body = newline == std::string_view::npos ? input : input.substr(newline + 1);

    checkResults(scrapeResults(body));
    const std::string text = decodePage(body, declaredCharset(contentType, body));
    require(validUtf8(text));
    checkResults(scrapeResults(text));
    return 0;
}
