// The query of the music search as it goes into the address.
#pragma once

#include <string>
#include <string_view>

// The typed text (UTF-8) as Windows-1251 bytes when every character fits,
// else as UTF-8; each space as "+", and "%", "&", "#", "+", "?", control
// bytes and bytes from 0x80 percent-encoded, so that no typed character cuts
// or changes the query. Pure.
std::string encodeQuery(std::string_view typed);

// `base` (ending in "/") + "search.php?p=1&v=0&q=" + query + "&x=32&y=15".
std::string searchAddress(const std::string& base, const std::string& encodedQuery);
