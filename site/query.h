// The query string of "search.php", read byte for byte as the player sends it:
// Windows-1251 or UTF-8 text, "+" for a space, percent-escapes for the rest.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace site {

// The query part of a request target ("/search.php?a=1&q=x" -> "a=1&q=x").
std::string_view queryPart(std::string_view target);

// The percent-decoded bytes of the first parameter `name` in `query`, "+" read
// as a space; empty when absent. A malformed escape is kept as it stands.
std::string queryParam(std::string_view query, std::string_view name);

// A query's bytes as UTF-8: read as UTF-8 when they are valid UTF-8 holding a
// character beyond ASCII, else as Windows-1251 (what older players send).
std::string queryText(std::string_view bytes);

// UTF-8 text -> the search words: folded (see foldForSearch), split at
// whitespace. At most 16 words of the first 1000 bytes are kept.
std::vector<std::string> searchWords(std::string_view utf8);

}  // namespace site
