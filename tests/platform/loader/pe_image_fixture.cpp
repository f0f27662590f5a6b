#include "platform/loader/pe_image_fixture.h"

#include <sys/mman.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace pe_test {
namespace {

void put(std::vector<uint8_t>& out, size_t at, const void* v, size_t n) {
    if (out.size() < at + n) out.resize(at + n);
    std::memcpy(out.data() + at, v, n);
}
template <typename T>
void putAt(std::vector<uint8_t>& out, size_t at, T v) {
    put(out, at, &v, sizeof v);
}

}  // namespace

uint32_t Section::put8(uint8_t v) {
    uint32_t at = here();
    bytes.push_back(v);
    return at;
}
uint32_t Section::put16(uint16_t v) {
    uint32_t at = here();
    putAt(bytes, bytes.size(), v);
    return at;
}
uint32_t Section::put32(uint32_t v) {
    uint32_t at = here();
    putAt(bytes, bytes.size(), v);
    return at;
}
uint32_t Section::put64(uint64_t v) {
    uint32_t at = here();
    putAt(bytes, bytes.size(), v);
    return at;
}
uint32_t Section::putString(const std::string& s) {
    uint32_t at = here();
    bytes.insert(bytes.end(), s.begin(), s.end());
    bytes.push_back(0);
    return at;
}
void Section::align(uint32_t to) {
    while (bytes.size() % to) bytes.push_back(0);
}
void Section::patch32(uint32_t rva, uint32_t v) {
    putAt(bytes, rva - va, v);
}
void Section::patch64(uint32_t rva, uint64_t v) {
    putAt(bytes, rva - va, v);
}

std::vector<uint8_t> Image::build() const {
    const uint32_t nt = 0x80;
    const uint16_t optionalSize = plus ? 0xF0 : 0xE0;
    const uint32_t sectionTable = nt + 0x18 + optionalSize;
    const uint32_t headersSize = 0x400;
    std::vector<uint8_t> out(headersSize, 0);
    putAt<uint16_t>(out, 0, 0x5A4D);
    putAt<uint32_t>(out, 0x3C, nt);
    putAt<uint32_t>(out, nt, 0x4550);
    putAt<uint16_t>(out, nt + 0x04, machine);
    putAt<uint16_t>(out, nt + 0x06, static_cast<uint16_t>(sections.size()));
    putAt<uint16_t>(out, nt + 0x14, optionalSize);
    putAt<uint16_t>(out, nt + 0x16, 0x2102);  // executable, DLL
    putAt<uint16_t>(out, nt + 0x18, plus ? 0x20B : 0x10B);
    putAt<uint32_t>(out, nt + 0x20, sizeOfInitializedData);
    putAt<uint32_t>(out, nt + 0x24, sizeOfUninitializedData);
    putAt<uint32_t>(out, nt + 0x28, entryPoint);
    if (plus)
        putAt<uint64_t>(out, nt + 0x30, imageBase);
    else
        putAt<uint32_t>(out, nt + 0x34, static_cast<uint32_t>(imageBase));
    putAt<uint32_t>(out, nt + 0x38, sectionAlignment);
    putAt<uint32_t>(out, nt + 0x3C, 0x200);
    putAt<uint32_t>(out, nt + 0x50, sizeOfImage);
    putAt<uint32_t>(out, nt + 0x54, headersSize);
    const uint32_t dirs = nt + (plus ? 0x88 : 0x78);
    putAt<uint32_t>(out, dirs - 4, 16);  // NumberOfRvaAndSizes
    for (size_t i = 0; i < directories.size(); ++i) {
        putAt<uint32_t>(out, dirs + 8 * i, directories[i].first);
        putAt<uint32_t>(out, dirs + 8 * i + 4, directories[i].second);
    }
    for (size_t i = 0; i < sections.size(); ++i) {
        const Section& s = sections[i];
        const uint32_t h = sectionTable + 40 * static_cast<uint32_t>(i);
        const std::string name = ".s" + std::to_string(i % 100);
        std::memcpy(out.data() + h, name.data(), name.size());
        putAt<uint32_t>(out, h + 0x08,
                        std::max<uint32_t>(static_cast<uint32_t>(s.bytes.size()), sectionAlignment));
        putAt<uint32_t>(out, h + 0x0C, s.va);
        const uint32_t raw = static_cast<uint32_t>(s.bytes.size());
        putAt<uint32_t>(out, h + 0x10, raw);
        putAt<uint32_t>(out, h + 0x14, raw ? static_cast<uint32_t>(out.size()) : 0);
        putAt<uint32_t>(out, h + 0x24, s.characteristics);
        if (raw) {
            out.insert(out.end(), s.bytes.begin(), s.bytes.end());
            while (out.size() % 0x200) out.push_back(0);
        }
    }
    return out;
}

void addImports(Image& image, Section& s, std::vector<ImportedLibrary>& libraries) {
    const uint32_t thunk = image.plus ? 8 : 4;
    // Names and hint/name entries first, then the thunk arrays, then the descriptors.
    std::vector<uint32_t> libraryNames;
    std::vector<std::vector<uint64_t>> entries;
    for (auto& lib : libraries) {
        libraryNames.push_back(s.putString(lib.library));
        std::vector<uint64_t> e;
        for (auto& f : lib.functions) {
            if (f.ordinal >= 0) {
                e.push_back(image.plus ? (1ull << 63) | static_cast<uint64_t>(f.ordinal)
                                       : (1ull << 31) | static_cast<uint64_t>(f.ordinal));
            } else {
                s.align(2);
                uint32_t at = s.put16(0);  // hint
                s.putString(f.name);
                e.push_back(at);
            }
        }
        entries.push_back(e);
    }
    std::vector<uint32_t> lookups;
    for (size_t i = 0; i < libraries.size(); ++i) {
        s.align(8);
        auto writeArray = [&] {
            uint32_t at = s.here();
            for (uint64_t v : entries[i]) image.plus ? s.put64(v) : s.put32(static_cast<uint32_t>(v));
            image.plus ? s.put64(0) : s.put32(0);
            return at;
        };
        lookups.push_back(libraries[i].lookupTable ? writeArray() : 0);
        libraries[i].firstThunk = writeArray();
    }
    (void)thunk;
    s.align(4);
    const uint32_t dir = s.here();
    for (size_t i = 0; i < libraries.size(); ++i) {
        s.put32(lookups[i]);
        s.put32(0);
        s.put32(0);
        s.put32(libraryNames[i]);
        s.put32(libraries[i].firstThunk);
    }
    for (int i = 0; i < 5; ++i) s.put32(0);
    image.directories[Import] = {dir, static_cast<uint32_t>(s.here() - dir)};
}

void addExports(Image& image, Section& s, const std::vector<std::pair<std::string, uint32_t>>& named) {
    std::vector<uint32_t> names;
    for (auto& [name, rva] : named) names.push_back(s.putString(name));
    s.align(4);
    const uint32_t functions = s.here();
    for (auto& [name, rva] : named) s.put32(rva);
    const uint32_t nameTable = s.here();
    for (uint32_t n : names) s.put32(n);
    const uint32_t ordinals = s.here();
    for (size_t i = 0; i < named.size(); ++i) s.put16(static_cast<uint16_t>(i));
    s.align(4);
    const uint32_t dir = s.here();
    for (int i = 0; i < 4; ++i) s.put32(0);
    s.put32(1);  // ordinal base: not added by the loader
    s.put32(static_cast<uint32_t>(named.size()));
    s.put32(static_cast<uint32_t>(named.size()));
    s.put32(functions);
    s.put32(nameTable);
    s.put32(ordinals);
    image.directories[Export] = {dir, static_cast<uint32_t>(s.here() - dir)};
}

void addRelocations(Image& image, Section& s,
                    const std::vector<std::pair<uint32_t, std::vector<uint16_t>>>& blocks) {
    s.align(4);
    const uint32_t dir = s.here();
    for (auto& [page, entries] : blocks) {
        s.put32(page);
        s.put32(static_cast<uint32_t>(8 + 2 * entries.size()));
        for (uint16_t e : entries) s.put16(e);
    }
    image.directories[Relocation] = {dir, static_cast<uint32_t>(s.here() - dir)};
}

uint32_t addEntryStub(Section& text, EntryRecord* record) {
    const uint32_t at = text.here();
    const uint64_t address = reinterpret_cast<uint64_t>(record);
    const uint8_t head[] = {0x48, 0xB8};  // movabs rax, record
    for (uint8_t b : head) text.put8(b);
    text.put64(address);
    const uint8_t body[] = {
        0x89, 0x10,              // mov [rax], edx        reason
        0xFF, 0x40, 0x04,        // inc dword [rax+4]     calls
        0x48, 0x89, 0x48, 0x08,  // mov [rax+8], rcx      module
        0x8B, 0x40, 0x10,        // mov eax, [rax+16]     returnValue
        0xC3,                    // ret
    };
    for (uint8_t b : body) text.put8(b);
    return at;
}

uint64_t freeAddress(size_t size, bool below4GiB) {
    int flags = MAP_PRIVATE | MAP_ANONYMOUS;
    if (below4GiB) flags |= MAP_32BIT;
    // Ask for more and take an aligned middle, so that neighbours do not touch.
    void* p = mmap(nullptr, size + 0x40000, PROT_NONE, flags, -1, 0);
    if (p == MAP_FAILED) return 0;
    munmap(p, size + 0x40000);
    return (reinterpret_cast<uint64_t>(p) + 0x1FFFF) & ~0xFFFFull;
}

bool addressFree(uint64_t address, size_t size) {
    void* p = mmap(reinterpret_cast<void*>(address), size, PROT_NONE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    if (p == MAP_FAILED) return false;
    munmap(p, size);
    return reinterpret_cast<uint64_t>(p) == address;
}

std::string pagePermissions(const void* address) {
    const uint64_t a = reinterpret_cast<uint64_t>(address);
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        std::istringstream in(line);
        std::string range, perms;
        in >> range >> perms;
        const auto dash = range.find('-');
        const uint64_t lo = std::stoull(range.substr(0, dash), nullptr, 16);
        const uint64_t hi = std::stoull(range.substr(dash + 1), nullptr, 16);
        if (a >= lo && a < hi) return perms;
    }
    return "";
}

}  // namespace pe_test
