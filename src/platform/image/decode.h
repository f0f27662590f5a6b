// PNG and JPEG decoding through libpng and libjpeg, called directly.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace image {

// Pixels as 0xAARRGGBB (not premultiplied), row by row.
struct Picture {
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    std::vector<uint32_t> argb;
};

// Decodes by signature (PNG or JPEG). nullopt for anything else, for
// truncated or corrupt data, and for pictures over 16384 pixels a side.
std::optional<Picture> decode(std::span<const uint8_t> data);
std::optional<Picture> decodePng(std::span<const uint8_t> data);
std::optional<Picture> decodeJpeg(std::span<const uint8_t> data);
// Reads the whole file and decodes it; nullopt when unreadable.
std::optional<Picture> decodeFile(const std::string& path);

}  // namespace image
