#include <csetjmp>
#include <cstddef>
#include <cstdio>
// libjpeg needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

#include <memory>

#include "platform/image/decode.h"
#include "platform/os/bind_function.h"

namespace image {
namespace {

constexpr int kMaxSide = 16384;

// libjpeg is opened for each decode and closed after it: it decodes a few
// pictures a session (the start-up picture, album photos), and an idle
// player keeps none of its half megabyte mapped.
static_assert(JPEG_LIB_VERSION == 62, "the library opened is the one these headers describe");
constexpr const char* kLibrary = "libjpeg.so.62";
// clang-format off
#define IMAGE_JPEG_FUNCTIONS(X) \
    X(jpeg_std_error) X(jpeg_CreateDecompress) X(jpeg_mem_src) X(jpeg_read_header) X(jpeg_start_decompress) \
    X(jpeg_read_scanlines) X(jpeg_finish_decompress) X(jpeg_destroy_decompress)
// clang-format on
struct JpegApi {
    IMAGE_JPEG_FUNCTIONS(OS_API_SLOT)
};

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

bool jpegSignature(std::span<const uint8_t> data) {
    return data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

// A frame header's marker: SOF0 to SOF15 but for DHT, JPG and DAC.
bool frameMarker(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

}  // namespace

// The segments before the first scan, walked to the frame header: its
// height and width.
std::optional<Size> probeJpeg(std::span<const uint8_t> data) {
    if (!jpegSignature(data) || data[data.size() - 2] != 0xFF || data.back() != 0xD9) return std::nullopt;
    size_t at = 2;
    while (at + 4 <= data.size()) {
        if (data[at] != 0xFF) return std::nullopt;
        const uint8_t marker = data[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) return std::nullopt;  // a scan or the end before any frame
        const size_t length = size_t(data[at + 2]) << 8 | data[at + 3];
        if (length < 2 || at + 2 + length > data.size()) return std::nullopt;
        if (frameMarker(marker)) {
            if (length < 7) return std::nullopt;
            const Size size{int(data[at + 7]) << 8 | data[at + 8], int(data[at + 5]) << 8 | data[at + 6]};
            if (size.width == 0 || size.height == 0 || size.width > kMaxSide || size.height > kMaxSide)
                return std::nullopt;
            return size;
        }
        at += 2 + length;
    }
    return std::nullopt;
}

std::optional<Picture> decodeJpeg(std::span<const uint8_t> data) {
    if (!jpegSignature(data)) return std::nullopt;
    const os::OpenedApi<JpegApi> library(kLibrary, [](void* handle, JpegApi& api) {
        bool all = true;
        IMAGE_JPEG_FUNCTIONS(OS_API_BIND)
        return all;
    });
    const JpegApi* jpeg = library.get();
    if (!jpeg) return std::nullopt;
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg->jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.output_message = silentMessage;
    errors.base.emit_message = noteWarning;
    // Everything the jump may skip lives outside this frame's locals.
    auto picture = std::make_unique<Picture>();
    auto row = std::make_unique<std::vector<uint8_t>>();
    if (setjmp(errors.jump)) {
        jpeg->jpeg_destroy_decompress(&info);
        return std::nullopt;
    }
    jpeg->jpeg_CreateDecompress(&info, JPEG_LIB_VERSION, sizeof info);
    jpeg->jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg->jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg->jpeg_start_decompress(&info);
    if (info.output_width == 0 || info.output_height == 0 || info.output_width > kMaxSide ||
        info.output_height > kMaxSide || info.output_components != 3) {
        jpeg->jpeg_destroy_decompress(&info);
        return std::nullopt;
    }
    picture->width = int(info.output_width);
    picture->height = int(info.output_height);
    picture->argb.resize(size_t(picture->width) * picture->height);
    row->resize(size_t(info.output_width) * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {row->data()};
        const auto y = info.output_scanline;
        if (jpeg->jpeg_read_scanlines(&info, rows, 1) != 1) break;
        uint32_t* out = picture->argb.data() + size_t(y) * picture->width;
        for (int x = 0; x < picture->width; ++x) {
            const uint8_t* p = row->data() + x * 3;
            out[x] = 0xFF000000u | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        }
    }
    jpeg->jpeg_finish_decompress(&info);
    jpeg->jpeg_destroy_decompress(&info);
    if (errors.truncated) return std::nullopt;
    return std::move(*picture);
}

}  // namespace image
