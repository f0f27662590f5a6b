// Case-insensitive keys for sorting names in any script.
#pragma once

#include <string>
#include <string_view>

namespace text {

// The code points of a UTF-8 text with every letter lower-cased by the
// Unicode tables (Cyrillic, Greek, Latin with accents alike), whatever the
// process's locale. A byte that starts no valid sequence stands for itself.
// Any thread.
std::u32string caseFolded(std::string_view utf8);

}  // namespace text
