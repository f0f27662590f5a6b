// The site's HTML pages, in UTF-8 (sent with "text/html; charset=utf-8", so
// that every character of a name survives to the player's list and files).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "track.h"

namespace site {

// Percent-encodes everything but unreserved characters (A-Z a-z 0-9 - . _ ~).
std::string urlEncode(std::string_view bytes);

// Escapes & < > " ' for HTML text and attribute values.
std::string htmlEscape(std::string_view utf8);

// "Artist - Title" (or the title alone), made safe for the result line the
// player scrapes: its text ends at the first "</a>", its display at "<BR>",
// and the player keeps entities as they stand (it names saved files after
// this text). So '"' becomes '\'', '<' '(' and '>' ')', and '&' stays as it
// is unless it would start a character reference, where it becomes "&amp;".
std::string anchorText(const Track& t);

// "3:20 128 kbit/s", either part left out when unknown.
std::string trackDetails(const Track& t);

// The absolute address of a track: base ("http://host:port/") + "f/<id>/<name>".
std::string trackAddress(std::string_view base, const Track& t);

// The result page for `queryUtf8` with its numbered lines, one per hit.
std::string resultsPage(std::string_view base, std::string_view queryUtf8,
                        const std::vector<const Track*>& hits);

// The root page: a search form and the size of the library.
std::string rootPage(size_t trackCount);

// A short page with a message (404 and the like).
std::string messagePage(std::string_view titleUtf8, std::string_view messageUtf8);

}  // namespace site
