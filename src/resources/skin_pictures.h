// The 18 skin pictures carried in the program's data.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// The PNG bytes of a carried picture by its file's name in png/ without the
// extension ("search_skin"); empty for any other name.
std::span<const uint8_t> skinPicturePng(std::string_view name);
