// The now-playing title of a radio stream, from its ICY metadata block
// ("StreamTitle='Artist - Song';StreamUrl='';").
#pragma once

#include <string>
#include <string_view>

namespace kaudio {

// The longest title kept, in bytes: a metadata block holds up to 4080.
constexpr size_t kMaxTitleBytes = 512;

// The StreamTitle value as UTF-8: taken as UTF-8 when it is valid UTF-8,
// otherwise as Windows-1251 (what most Russian stations send). HTML
// entities, numeric ("&#1056;", "&#x420;") and the common named ones
// ("&amp;", "&quot;", "&nbsp;", "&mdash;"...), are decoded once. Control
// characters become spaces, the ends are trimmed, and the text is cut to
// kMaxTitleBytes at a character boundary. Empty when there is no title.
std::string icyTitle(std::string_view metadata);

}  // namespace kaudio
