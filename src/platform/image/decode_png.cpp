#include <png.h>

#include <bit>
#include <csetjmp>
#include <cstring>

#include "platform/image/decode.h"

namespace image {
namespace {

constexpr int kMaxSide = 16384;

struct Reader {
    std::span<const uint8_t> data;
    size_t offset = 0;
};

void readFromSpan(png_structp png, png_bytep out, png_size_t length) {
    auto* reader = static_cast<Reader*>(png_get_io_ptr(png));
    if (reader->offset + length > reader->data.size()) png_error(png, "truncated");
    std::memcpy(out, reader->data.data() + reader->offset, length);
    reader->offset += length;
}

void silentWarning(png_structp, png_const_charp) {}

uint32_t bigEndian(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

}  // namespace

// The header chunk comes first in every PNG, an empty end chunk last.
std::optional<Size> probePng(std::span<const uint8_t> data) {
    static constexpr uint8_t kEnd[] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    if (data.size() < 24 + sizeof kEnd || png_sig_cmp(data.data(), 0, 8) != 0 ||
        std::memcmp(data.data() + 12, "IHDR", 4) != 0 ||
        std::memcmp(data.data() + data.size() - sizeof kEnd, kEnd, sizeof kEnd) != 0)
        return std::nullopt;
    const uint32_t width = bigEndian(data.data() + 16);
    const uint32_t height = bigEndian(data.data() + 20);
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return std::nullopt;
    return Size{int(width), int(height)};
}

std::optional<Picture> decodePng(std::span<const uint8_t> data) {
    if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0) return std::nullopt;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, silentWarning);
    if (!png) return std::nullopt;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return std::nullopt;
    }
    Reader reader{data};
    Picture picture;
    std::vector<png_bytep> rows;
    std::vector<uint8_t> rgba;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return std::nullopt;
    }
    png_set_read_fn(png, &reader, readFromSpan);
    png_read_info(png, info);
    const auto width = png_get_image_width(png, info);
    const auto height = png_get_image_height(png, info);
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) png_error(png, "size");
    const int colourType = png_get_color_type(png, info);
    picture.hasAlpha = (colourType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    // Blue, green, red, alpha in memory is 0xAARRGGBB on a little-endian
    // machine: the rows go straight into the picture's pixels.
    constexpr bool inPlace = std::endian::native == std::endian::little;
    if (inPlace) png_set_bgr(png);
    png_read_update_info(png, info);
    picture.width = int(width);
    picture.height = int(height);
    picture.argb.resize(size_t(width) * height);
    if (!inPlace) rgba.resize(size_t(width) * height * 4);
    auto* bytes = inPlace ? reinterpret_cast<uint8_t*>(picture.argb.data()) : rgba.data();
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = bytes + size_t(y) * width * 4;
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    if (!inPlace)
        for (size_t i = 0; i < picture.argb.size(); ++i) {
            const uint8_t* p = rgba.data() + i * 4;
            picture.argb[i] = uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        }
    return picture;
}

}  // namespace image
