// Windows-1251 <-> UTF-8. Inside the program text is UTF-8; these two
// functions stand at the edges where files and peers speak Windows-1251.
#pragma once

#include <string>
#include <string_view>

namespace text {

// Every byte maps to a code point (the undefined 0x98 maps to U+0098).
std::string fromCp1251(std::string_view bytes);

// Characters that Windows-1251 cannot hold become '?'. Invalid UTF-8 bytes
// are taken as Latin-1 so that no input is lost silently.
std::string toCp1251(std::string_view utf8);

// True when toCp1251 keeps every character of `utf8`.
bool fitsCp1251(std::string_view utf8);

// Text that was stored as the Latin-1 reading of Windows-1251 bytes (each
// byte as the character U+0000..U+00FF, in UTF-8) back to the text those
// bytes stand for; characters above U+00FF stay as they are.
std::string fromLatin1OfCp1251(std::string_view utf8);

// Bytes of an outside name (a file name) as text: as they are when they are
// valid UTF-8, else read as Windows-1251, the other encoding such names come in.
std::string utf8OrCp1251(std::string_view bytes);

// Lower-cases Cyrillic and ASCII letters of a UTF-8 text (other characters unchanged).
std::string lowerUtf8(std::string_view utf8);

}  // namespace text
