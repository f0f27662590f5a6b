// Offsets of the PE32 and PE32+ headers and tables that the module loader
// reads, and unaligned little-endian access to them.
#pragma once

#include <cstdint>
#include <cstring>

namespace pe {

constexpr uint16_t kDosMagic = 0x5A4D;       // "MZ"
constexpr uint32_t kNtSignature = 0x4550;    // "PE\0\0"
constexpr uint32_t kNtHeadersOffset = 0x3C;  // in the DOS header
constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr uint16_t kMachineI386 = 0x14C;
constexpr uint16_t kMachineAmd64 = 0x8664;

// From the start of the NT headers; the same in both formats.
constexpr uint32_t kMachine = 0x04;
constexpr uint32_t kNumberOfSections = 0x06;
constexpr uint32_t kSizeOfOptionalHeader = 0x14;
constexpr uint32_t kOptionalMagic = 0x18;
constexpr uint32_t kSizeOfInitializedData = 0x20;
constexpr uint32_t kSizeOfUninitializedData = 0x24;
constexpr uint32_t kAddressOfEntryPoint = 0x28;
constexpr uint32_t kSectionAlignment = 0x38;
constexpr uint32_t kSizeOfImage = 0x50;
constexpr uint32_t kSizeOfHeaders = 0x54;
constexpr uint32_t kSectionTable = 0x18;  // + SizeOfOptionalHeader
// Differing between PE32 and PE32+.
constexpr uint32_t kImageBase32 = 0x34;
constexpr uint32_t kImageBase64 = 0x30;
constexpr uint32_t kDirectories32 = 0x78;
constexpr uint32_t kDirectories64 = 0x88;
constexpr uint32_t kExportDirectory = 0;  // data directory indexes, 8 bytes each
constexpr uint32_t kImportDirectory = 1;
constexpr uint32_t kRelocationDirectory = 5;

// Section header, 40 bytes.
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kSectionMisc = 0x08;  // VirtualSize; the loader stores the section's address here
constexpr uint32_t kSectionVirtualAddress = 0x0C;
constexpr uint32_t kSectionSizeOfRawData = 0x10;
constexpr uint32_t kSectionPointerToRawData = 0x14;
constexpr uint32_t kSectionCharacteristics = 0x24;

constexpr uint32_t kSectionInitializedData = 0x00000040;
constexpr uint32_t kSectionUninitializedData = 0x00000080;
constexpr uint32_t kSectionDiscardable = 0x02000000;
constexpr uint32_t kSectionNotCached = 0x04000000;
constexpr uint32_t kSectionExecute = 0x20000000;
constexpr uint32_t kSectionRead = 0x40000000;
constexpr uint32_t kSectionWrite = 0x80000000;

// Import descriptor, 20 bytes.
constexpr uint32_t kImportDescriptorSize = 20;
constexpr uint32_t kImportOriginalFirstThunk = 0x00;
constexpr uint32_t kImportName = 0x0C;
constexpr uint32_t kImportFirstThunk = 0x10;

// Export directory.
constexpr uint32_t kExportNumberOfFunctions = 0x14;
constexpr uint32_t kExportNumberOfNames = 0x18;
constexpr uint32_t kExportAddressOfFunctions = 0x1C;
constexpr uint32_t kExportAddressOfNames = 0x20;
constexpr uint32_t kExportAddressOfNameOrdinals = 0x24;

// Base relocation types.
constexpr uint16_t kRelocationAbsolute = 0;
constexpr uint16_t kRelocationHighLow = 3;
constexpr uint16_t kRelocationDir64 = 10;

inline uint16_t read16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline uint32_t read32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline uint64_t read64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}
inline void write32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}
inline void write64(uint8_t* p, uint64_t v) {
    std::memcpy(p, &v, 8);
}

inline bool isPe32Plus(const uint8_t* nt) {
    return read16(nt + kOptionalMagic) == kMagicPe32Plus;
}
inline uint64_t imageBaseOf(const uint8_t* nt) {
    return isPe32Plus(nt) ? read64(nt + kImageBase64) : read32(nt + kImageBase32);
}
inline uint32_t directoryOffset(const uint8_t* nt, uint32_t index) {
    return (isPe32Plus(nt) ? kDirectories64 : kDirectories32) + 8 * index;
}
inline uint32_t directoryAddress(const uint8_t* nt, uint32_t index) {
    return read32(nt + directoryOffset(nt, index));
}
inline uint32_t directorySize(const uint8_t* nt, uint32_t index) {
    return read32(nt + directoryOffset(nt, index) + 4);
}
inline uint8_t* sectionHeader(uint8_t* nt, uint32_t i) {
    return nt + kSectionTable + read16(nt + kSizeOfOptionalHeader) + i * kSectionHeaderSize;
}

}  // namespace pe
