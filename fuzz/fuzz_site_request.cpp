// libFuzzer harness for what kestrel-site reads from a request: its head as
// the bytes arrive, the query string of "search.php" and the Range header of
// a file. It compiles those readers itself (and the page they lead to), so
// nothing else is needed. The head must be read the same whether it comes at
// once or a byte at a time, the result page made for the query must scrape
// back into exactly the lines it holds, and a partial range must lie inside
// the file.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "../site/byte_range.cpp"
#include "../site/catalog.cpp"
#include "../site/names.cpp"
#include "../site/pages.cpp"
#include "../site/query.cpp"
#include "../site/request_head.cpp"
#include "platform/text/cp1251.cpp"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

const site::Catalog& catalog() {
    static const site::Catalog c = [] {
        std::vector<site::Track> tracks;
        const char* names[][2] = {{"Кино", "Группа крови"},
                                  {"A\"b<c>", "d&e</a><BR>"},
                                  {"", "Ёлка"},
                                  {"Queen", "1. <a href=\"x\">"}};
        for (int i = 0; i < 4; ++i) {
            site::Track t;
            t.artist = names[i][0];
            t.title = names[i][1];
            t.fileName = std::to_string(i) + " x.mp3";
            t.path = "/m/" + t.fileName;
            tracks.push_back(t);
        }
        return site::Catalog(std::move(tracks));
    }();
    return c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    std::string query = site::queryParam(site::queryPart(input), "q");
    auto hits = catalog().search(site::searchWords(query), 99);
    std::string page = site::resultsPage("http://127.0.0.1:1/", text::fromCp1251(query), hits);
    // The scraper's reading: the first "N. <a href=\"" from the start, for N from 1.
    size_t found = 0;
    for (size_t n = 1; n <= 99; ++n) {
        std::string marker = std::to_string(n) + ". <a href=\"";
        size_t p = page.find(marker);
        if (p == std::string::npos) break;
        size_t end = page.find("\">", p);
        require(end != std::string::npos);
        require(page.compare(p + marker.size(), 21, "http://127.0.0.1:1/f/") == 0);
        size_t close = page.find("</a>", end);
        require(close != std::string::npos && page.find('<', end + 2) == close);
        ++found;
    }
    require(found == hits.size());

    site::HeadLimits limits;
    limits.maxBytes = 512;
    limits.maxFields = 8;
    site::RequestHead whole(limits), trickled(limits);
    auto state = whole.scan(input);
    for (size_t n = 1; n <= size && trickled.scan(input.substr(0, n)) == site::RequestHead::State::Partial;
         ++n) {
    }
    require(trickled.scan(input) == state);
    if (state == site::RequestHead::State::Complete) {
        require(whole.headSize() <= size && whole.headSize() <= limits.maxBytes);
        require(whole.headSize() == trickled.headSize() && whole.bodySize() == trickled.bodySize());
        std::string bytes(input);
        const size_t headSize = whole.headSize();
        whole.takeRange(bytes);
        require(bytes.size() - whole.headSize() == size - headSize);  // only head lines go
        require(bytes.compare(whole.headSize(), std::string::npos, input.substr(headSize)) == 0);
    }

    site::ByteRange range;
    const uint64_t fileSize = size * 7;
    if (site::parseRange(input, fileSize, range) == site::RangeAnswer::Partial)
        require(range.length > 0 && range.first < fileSize && range.length <= fileSize - range.first);
    return 0;
}
