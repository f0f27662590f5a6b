// Build tool: packs a library image for the program's data.
//   kestrel-pack INPUT OUTPUT
// Writes OUTPUT only when the packing succeeded; exits non-zero otherwise.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/loader/packed_image.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s INPUT OUTPUT\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    std::vector<uint8_t> image{std::istreambuf_iterator<char>(in), {}};
    std::vector<uint8_t> packed = loader::packImage(image);
    if (packed.empty() || !loader::unpackImage(packed) || *loader::unpackImage(packed) != image) {
        std::fprintf(stderr, "packing %s failed\n", argv[1]);
        return 1;
    }
    const std::string temporary = std::string(argv[2]) + ".part";
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(packed.data()), static_cast<std::streamsize>(packed.size()));
    out.close();
    if (!out || std::rename(temporary.c_str(), argv[2]) != 0) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
