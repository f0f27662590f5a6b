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
// The whole file; nullopt when it is not a readable regular file.
std::optional<std::vector<uint8_t>> readFile(const std::string& path);

// A picture's size from its header, without decoding its pixels; nullopt
// when decode() would refuse the header or the data does not end where a
// whole picture ends (a PNG's last chunk, a JPEG's end marker), as a cut
// file does. Damage in between is found only by decoding.
struct Size {
    int width = 0;
    int height = 0;
};
std::optional<Size> probe(std::span<const uint8_t> data);
std::optional<Size> probePng(std::span<const uint8_t> data);
std::optional<Size> probeJpeg(std::span<const uint8_t> data);

}  // namespace image
