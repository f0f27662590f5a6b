#include "platform/loader/packed_image.h"

#include <zlib.h>

#include <cstring>

namespace loader {
namespace {

constexpr char kMagic[4] = {'K', 'P', 'K', '1'};
constexpr size_t kHeaderSize = 12;
constexpr uint64_t kMaxUnpacked = 1ull << 30;

}  // namespace

std::vector<uint8_t> packImage(std::span<const uint8_t> image) {
    uLongf bound = compressBound(image.size());
    std::vector<uint8_t> out(kHeaderSize + bound);
    std::memcpy(out.data(), kMagic, 4);
    uint64_t size = image.size();
    for (int i = 0; i < 8; ++i) out[4 + i] = static_cast<uint8_t>(size >> (8 * i));
    if (compress2(out.data() + kHeaderSize, &bound, image.data(), image.size(), Z_BEST_COMPRESSION) != Z_OK)
        return {};
    out.resize(kHeaderSize + bound);
    return out;
}

std::optional<std::vector<uint8_t>> unpackImage(std::span<const uint8_t> packed) {
    if (packed.size() < kHeaderSize || std::memcmp(packed.data(), kMagic, 4) != 0) return std::nullopt;
    uint64_t size = 0;
    for (int i = 0; i < 8; ++i) size |= static_cast<uint64_t>(packed[4 + i]) << (8 * i);
    if (size > kMaxUnpacked) return std::nullopt;
    // One spare byte: a stream longer than announced is caught, and an empty
    // image still gives inflate somewhere to write.
    std::vector<uint8_t> image(size + 1);
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return std::nullopt;
    z.next_in = const_cast<Bytef*>(packed.data() + kHeaderSize);
    z.avail_in = static_cast<uInt>(packed.size() - kHeaderSize);
    z.next_out = image.data();
    z.avail_out = static_cast<uInt>(size + 1);
    int rc = inflate(&z, Z_FINISH);
    const uint64_t produced = z.total_out;
    inflateEnd(&z);
    if (rc != Z_STREAM_END || produced != size) return std::nullopt;
    image.resize(size);
    return image;
}

}  // namespace loader
