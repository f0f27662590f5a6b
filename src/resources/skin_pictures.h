// The 18 skin pictures carried in the program's data.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/gui/gui.h"

// The PNG bytes of a carried picture by its file's name in png/ without the
// extension ("search_skin"); empty for any other name.
std::span<const uint8_t> skinPicturePng(std::string_view name);

// Everything the program carries of that picture: its renders at one, two
// and three device pixels per skin pixel and the SVG document it is made
// from, with how; empty renders for any other name.
gui::PictureSource skinPictureSource(std::string_view name);
