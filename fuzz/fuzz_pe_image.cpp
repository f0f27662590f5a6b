// The module loader on arbitrary bytes. The first byte chooses how the rest
// is used: odd, as a whole image; even, as bytes laid over a small valid
// PE32+ or PE32 image made here (sections, imports from libc, exports and
// relocations), so that mutations reach the tables without a seed corpus.
// The image is checked against its length, mapped, looked up and unmapped;
// its entry point is cleared first, so that no code of the input runs.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/loader/module_loader.h"
#include "platform/loader/pe_format.h"

namespace {

void put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    std::memcpy(b.data() + at, &v, 2);
}
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    std::memcpy(b.data() + at, &v, 4);
}
void put64(std::vector<uint8_t>& b, size_t at, uint64_t v) {
    std::memcpy(b.data() + at, &v, 8);
}

// Headers in the first 0x200 bytes; one section of raw data at file 0x200,
// mapped at 0x1000, holding every table; a second section without raw data.
std::vector<uint8_t> templateImage(bool plus) {
    std::vector<uint8_t> b(0x400, 0);
    const uint32_t nt = 0x80, optional = plus ? 0xF0 : 0xE0, dirs = nt + (plus ? 0x88 : 0x78);
    put16(b, 0, 0x5A4D);
    put32(b, 0x3C, nt);
    put32(b, nt, 0x4550);
    put16(b, nt + 0x04, plus ? 0x8664 : 0x14C);
    put16(b, nt + 0x06, 2);
    put16(b, nt + 0x14, optional);
    put16(b, nt + 0x18, plus ? 0x20B : 0x10B);
    put32(b, nt + 0x24, 0x1000);
    if (plus)
        put64(b, nt + 0x30, 0x7f0000000000ull);
    else
        put32(b, nt + 0x34, 0x00400000);
    put32(b, nt + 0x38, 0x1000);
    put32(b, nt + 0x50, 0x3000);
    put32(b, nt + 0x54, 0x200);
    const uint32_t sections = nt + 0x18 + optional;
    put32(b, sections + 0x08, 0x1000);
    put32(b, sections + 0x0C, 0x1000);
    put32(b, sections + 0x10, 0x200);
    put32(b, sections + 0x14, 0x200);
    put32(b, sections + 0x24, 0xC0000040);
    put32(b, sections + 40 + 0x0C, 0x2000);
    put32(b, sections + 40 + 0x24, 0xC0000080);
    // Section bytes (file 0x200 = rva 0x1000).
    auto at = [](uint32_t rva) { return rva - 0x1000 + 0x200; };
    const uint32_t thunk = plus ? 8 : 4;
    std::memcpy(b.data() + at(0x1000), "libc.so.6", 10);
    std::memcpy(b.data() + at(0x1012), "strlen", 7);  // hint at 0x1010
    if (plus)
        put64(b, at(0x1040), 0x1010);
    else
        put32(b, at(0x1040), 0x1010);
    if (plus)
        put64(b, at(0x1040) + thunk, 1ull << 63 | 5);
    else
        put32(b, at(0x1040) + thunk, 1u << 31 | 5);
    put32(b, at(0x1080), 0);  // OriginalFirstThunk 0: names in FirstThunk
    put32(b, at(0x1080) + 12, 0x1000);
    put32(b, at(0x1080) + 16, 0x1040);
    put32(b, dirs + 8, 0x1080);
    put32(b, dirs + 12, 40);
    std::memcpy(b.data() + at(0x1100), "Play\0Stop", 10);
    put32(b, at(0x1120), 0x1000);  // functions
    put32(b, at(0x1124), 0x1004);
    put32(b, at(0x1128), 0x1100);  // names
    put32(b, at(0x112C), 0x1105);
    put16(b, at(0x1130), 0);  // name ordinals
    put16(b, at(0x1132), 1);
    put32(b, at(0x1140) + 0x14, 2);
    put32(b, at(0x1140) + 0x18, 2);
    put32(b, at(0x1140) + 0x1C, 0x1120);
    put32(b, at(0x1140) + 0x20, 0x1128);
    put32(b, at(0x1140) + 0x24, 0x1130);
    put32(b, dirs, 0x1140);
    put32(b, dirs + 4, 0x28);
    put32(b, at(0x1180), 0x1000);  // one relocation block for the first page
    put32(b, at(0x1180) + 4, 16);
    put16(b, at(0x1188), plus ? 0xA1C0 : 0x31C0);
    put16(b, at(0x118A), 0x31C8);
    put16(b, at(0x118C), 0x0000);
    put16(b, at(0x118E), 0x0000);
    put32(b, dirs + 40, 0x1180);
    put32(b, dirs + 44, 16);
    return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::vector<uint8_t> image;
    if (data[0] & 1) {
        image.assign(data + 1, data + size);
    } else {
        image = templateImage(data[0] & 2);
        for (size_t i = 1; i < size; ++i) {
            if (i - 1 < image.size())
                image[i - 1] ^= data[i];
            else
                image.push_back(data[i]);
        }
    }
    if (!moduleImageFits(image.data(), image.size())) return 0;
    uint8_t* nt = image.data() + pe::read32(image.data() + pe::kNtHeadersOffset);
    // Reservations of gigabytes would only measure the machine's memory.
    if (pe::read32(nt + pe::kSizeOfImage) > (64u << 20) ||
        pe::read32(nt + pe::kSectionAlignment) > (16u << 20))
        return 0;
    pe::write32(nt + pe::kAddressOfEntryPoint, 0);
    MappedModule* module = mapModuleImage(image.data(), image.size());
    if (module) {
        lookupModuleExport(module, "Play");
        lookupModuleExport(module, "Stop");
        lookupModuleExport(module, "");
        unmapModuleImage(module);
    }
    return 0;
}
