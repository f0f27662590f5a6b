#include <csetjmp>
#include <cstddef>
#include <cstdio>
// libjpeg needs size_t and FILE declared first.
#include <jpeglib.h>
#include <jerror.h>
#include <memory>

#include "platform/image/decode.h"

namespace image {
namespace {

constexpr int kMaxSide = 16384;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    bool truncated;
};

[[noreturn]] void onError(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(manager->jump, 1);
}

void silentMessage(j_common_ptr) {}

// libjpeg pads a truncated file with grey and only warns; we want no picture.
void noteWarning(j_common_ptr info, int level) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    if (level < 0 && manager->base.msg_code == JWRN_JPEG_EOF) manager->truncated = true;
}

// Errors jump back instead of exiting; messages go nowhere.
void quietErrors(jpeg_decompress_struct& info, ErrorManager& errors) {
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.output_message = silentMessage;
    errors.base.emit_message = noteWarning;
}

bool jpegSignature(std::span<const uint8_t> data) {
    return data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

}  // namespace

std::optional<Size> probeJpeg(std::span<const uint8_t> data) {
    if (!jpegSignature(data) || data[data.size() - 2] != 0xFF || data.back() != 0xD9) return std::nullopt;
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    quietErrors(info, errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return std::nullopt;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    const Size size{int(info.image_width), int(info.image_height)};
    jpeg_destroy_decompress(&info);
    if (size.width <= 0 || size.height <= 0 || size.width > kMaxSide || size.height > kMaxSide) return std::nullopt;
    return size;
}

std::optional<Picture> decodeJpeg(std::span<const uint8_t> data) {
    if (!jpegSignature(data)) return std::nullopt;
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    quietErrors(info, errors);
    // Everything the jump may skip lives outside this frame's locals.
    auto picture = std::make_unique<Picture>();
    auto row = std::make_unique<std::vector<uint8_t>>();
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return std::nullopt;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_width == 0 || info.output_height == 0 || info.output_width > kMaxSide ||
        info.output_height > kMaxSide || info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        return std::nullopt;
    }
    picture->width = int(info.output_width);
    picture->height = int(info.output_height);
    picture->argb.resize(size_t(picture->width) * picture->height);
    row->resize(size_t(info.output_width) * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {row->data()};
        const auto y = info.output_scanline;
        if (jpeg_read_scanlines(&info, rows, 1) != 1) break;
        uint32_t* out = picture->argb.data() + size_t(y) * picture->width;
        for (int x = 0; x < picture->width; ++x) {
            const uint8_t* p = row->data() + x * 3;
            out[x] = 0xFF000000u | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    if (errors.truncated) return std::nullopt;
    return std::move(*picture);
}

}  // namespace image
