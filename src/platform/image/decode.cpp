// Picking the decoder by signature, and reading picture files.
#include "platform/image/decode.h"

#include <cstdio>
#include <filesystem>

namespace image {

std::optional<Picture> decode(std::span<const uint8_t> data) {
    if (auto png = decodePng(data)) return png;
    return decodeJpeg(data);
}

std::optional<Size> probe(std::span<const uint8_t> data) {
    if (auto png = probePng(data)) return png;
    return probeJpeg(data);
}

std::optional<Picture> decodeFile(const std::string& path) {
    auto bytes = readFile(path);
    if (!bytes) return std::nullopt;
    return decode(*bytes);
}

std::optional<std::vector<uint8_t>> readFile(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::nullopt;
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return std::nullopt;
    return bytes;
}

}  // namespace image
