// Turning the bytes of a fetched page into the program's UTF-8 text.
#pragma once

#include <string>
#include <string_view>

// The charset the server declares for a page, lower-cased: the charset
// parameter of its Content-Type header, else a <meta> charset in the first
// 4096 bytes of the body, else "windows-1251". Pure.
std::string declaredCharset(std::string_view contentType, std::string_view body);

// `bytes` decoded from `charset` to UTF-8. Windows-1251 and UTF-8 are decoded
// here; other charsets through iconv. A charset nobody knows is read as
// Windows-1251. Malformed bytes become U+FFFD, so the result is valid UTF-8.
std::string decodePage(std::string_view bytes, std::string_view charset);
