// Bytes from outside (file names, queries) as UTF-8 text. Windows-1251 is the
// other encoding they come in.
#pragma once

#include <string>
#include <string_view>

namespace site {

// True when `bytes` is valid UTF-8; `multiByte` tells whether it holds any
// character beyond ASCII.
bool isUtf8(std::string_view bytes, bool& multiByte);

// A file or folder name as text: kept when it is valid UTF-8, else read as
// Windows-1251 (names written by older Russian tools).
std::string nameText(std::string_view bytes);

}  // namespace site
