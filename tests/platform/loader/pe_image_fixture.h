// Builds small PE32 and PE32+ images in memory for the module loader's tests:
// sections laid out after the headers, and the tables (imports, exports, base
// relocations) written into section bytes at known addresses.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pe_test {

constexpr uint32_t kCode = 0x60000020;   // code, execute, read
constexpr uint32_t kData = 0xC0000040;   // initialised data, read, write
constexpr uint32_t kConst = 0x40000040;  // initialised data, read
constexpr uint32_t kBss = 0xC0000080;    // uninitialised data, read, write
constexpr uint32_t kDiscardable = 0x02000000;

// Bytes of one section, written at its virtual address `va`.
struct Section {
    uint32_t va = 0;
    uint32_t characteristics = kData;
    std::vector<uint8_t> bytes;  // empty: a section without raw data

    uint32_t here() const { return va + static_cast<uint32_t>(bytes.size()); }
    uint32_t put8(uint8_t v);
    uint32_t put16(uint16_t v);
    uint32_t put32(uint32_t v);
    uint32_t put64(uint64_t v);
    uint32_t putString(const std::string& s);  // zero-terminated
    void align(uint32_t to);
    void patch32(uint32_t rva, uint32_t v);
    void patch64(uint32_t rva, uint64_t v);
};

struct Image {
    bool plus = true;  // PE32+
    uint16_t machine = 0x8664;
    uint64_t imageBase = 0x10000000;
    uint32_t sectionAlignment = 0x1000;
    uint32_t sizeOfImage = 0x6000;
    uint32_t entryPoint = 0;
    uint32_t sizeOfInitializedData = 0;
    uint32_t sizeOfUninitializedData = 0;
    std::array<std::pair<uint32_t, uint32_t>, 16> directories{};  // rva, size
    std::vector<Section> sections;

    std::vector<uint8_t> build() const;
};

enum Directory { Export = 0, Import = 1, Relocation = 5 };

struct ImportedFunction {
    std::string name;  // by name, or
    int ordinal = -1;  // by ordinal when >= 0
};

struct ImportedLibrary {
    std::string library;
    std::vector<ImportedFunction> functions;
    bool lookupTable = true;  // OriginalFirstThunk present
    uint32_t firstThunk = 0;  // filled in: where the addresses go
};

// Writes descriptors, names and thunks into `s` and sets the directory.
void addImports(Image& image, Section& s, std::vector<ImportedLibrary>& libraries);
// Writes an export directory naming functions at the given addresses.
void addExports(Image& image, Section& s, const std::vector<std::pair<std::string, uint32_t>>& named);
// Writes one relocation block per page: (page rva, 16-bit entries).
void addRelocations(Image& image, Section& s,
                    const std::vector<std::pair<uint32_t, std::vector<uint16_t>>>& blocks);

// What the x86-64 entry stub records of its calls (Windows x64 convention).
struct EntryRecord {
    uint32_t lastReason = 0xFFFFFFFF;
    uint32_t calls = 0;
    uint64_t module = 0;
    uint32_t returnValue = 1;  // what the stub answers
};
// Appends machine code that stores (reason, ++calls, module) into `record`
// and returns record->returnValue. Returns the stub's address.
uint32_t addEntryStub(Section& text, EntryRecord* record);

// A free page-aligned address range of `size` bytes (below 4 GiB if asked).
uint64_t freeAddress(size_t size, bool below4GiB);
// Whether nothing is mapped at [address, address + size).
bool addressFree(uint64_t address, size_t size);
// The permissions of the mapping holding `address` in /proc/self/maps ("r-xp").
std::string pagePermissions(const void* address);

}  // namespace pe_test
