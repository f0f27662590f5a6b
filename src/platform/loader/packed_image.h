// The packed form in which the program carries a library image in its data:
// the magic "KPK1", the unpacked size as a 64-bit little-endian number, then
// one zlib stream.
//
// Threads: any. Pure functions over bytes; nothing blocks.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace loader {

// Compresses an image at the best level. Empty on a zlib failure.
std::vector<uint8_t> packImage(std::span<const uint8_t> image);

// The unpacked image, or nullopt when the bytes are not a whole packed image
// (wrong magic, truncated or corrupt stream, size other than announced).
// Refuses announced sizes above 1 GiB.
std::optional<std::vector<uint8_t>> unpackImage(std::span<const uint8_t> packed);

}  // namespace loader
