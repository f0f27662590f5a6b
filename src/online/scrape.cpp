// The marker of every N shares the tail `. <a href="`: one pass over the page
// finds each tail and reads the one or two digits before it, which gives the
// first occurrence of every marker at the cost of a single search.
#include "online/scrape.h"

#include <array>
#include <cstring>

namespace {

constexpr std::string_view markerTail = ". <a href=\"";
constexpr int maxResults = 99;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string replaceAll(std::string text, std::string_view from, std::string_view to) {
    size_t at = 0;
    while ((at = text.find(from, at)) != std::string::npos) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

// Text before the first `mark`; empty when there is none.
std::string_view before(std::string_view text, std::string_view mark) {
    size_t at = text.find(mark);
    return at == std::string_view::npos ? std::string_view{} : text.substr(0, at);
}

}  // namespace

std::vector<SearchResult> scrapeResults(std::string_view page) {
    constexpr size_t none = std::string_view::npos;
    std::array<size_t, maxResults + 1> markerAt;
    markerAt.fill(none);
    int unseen = maxResults;
    for (size_t from = 0; unseen > 0 && from < page.size();) {
        const void* hit =
            memmem(page.data() + from, page.size() - from, markerTail.data(), markerTail.size());
        if (!hit) break;
        size_t tail = static_cast<size_t>(static_cast<const char*>(hit) - page.data());
        if (tail >= 1 && isDigit(page[tail - 1])) {
            int ones = page[tail - 1] - '0';
            if (ones > 0 && markerAt[ones] == none) markerAt[ones] = tail - 1, --unseen;
            if (tail >= 2 && page[tail - 2] >= '1' && page[tail - 2] <= '9') {
                int n = (page[tail - 2] - '0') * 10 + ones;
                if (markerAt[n] == none) markerAt[n] = tail - 2, --unseen;
            }
        }
        from = tail + 1;
    }

    std::vector<SearchResult> results;
    for (int n = 1; n <= maxResults && markerAt[n] != none; ++n) {
        size_t markerLength = (n < 10 ? 1 : 2) + markerTail.size();
        std::string_view rest = page.substr(markerAt[n] + markerLength);
        size_t hrefEnd = rest.find("\">");
        // Without the href end mark the link is empty and `after` is the rest
        // less its first character.
        std::string_view link = hrefEnd == none ? std::string_view{} : rest.substr(0, hrefEnd);
        std::string_view after =
            hrefEnd == none ? rest.substr(rest.empty() ? 0 : 1) : rest.substr(hrefEnd + 2);
        std::string display = replaceAll(std::string(before(after, "<BR>")), "</a>", "   ");
        display = replaceAll(std::move(display), "&#39;", " ");
        results.push_back(
            SearchResult{std::string(link), std::move(display), std::string(before(after, "</a>"))});
    }
    return results;
}
