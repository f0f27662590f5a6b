// The 18 skin pictures carried in the program's data, in decoding order.
#pragma once

#include <cstdint>
#include <span>

struct SkinPicture {
    int image;  // register number (img::)
    const char* name;
    std::span<const uint8_t> png;
};

std::span<const SkinPicture> skinPictures();
