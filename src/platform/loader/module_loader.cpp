// The in-memory module loader. Every write into the mapping and every read of
// a table inside it is bounded by SizeOfImage, so that a damaged image fails
// or maps wrongly but never touches memory outside its own reservation.
#include "platform/loader/module_loader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "platform/loader/pe_format.h"
#include "platform/os/address_space.h"
#include "platform/os/library.h"

using namespace pe;

namespace {

constexpr uint32_t kDllProcessDetach = 0;
constexpr uint32_t kDllProcessAttach = 1;

#if defined(__x86_64__)
using EntryPoint = int(__attribute__((ms_abi)) *)(void* module, uint32_t reason, void* reserved);
constexpr bool kHost64 = true;
#elif defined(__i386__)
using EntryPoint = int(__attribute__((stdcall)) *)(void* module, uint32_t reason, void* reserved);
constexpr bool kHost64 = false;
#else
using EntryPoint = int (*)(void*, uint32_t, void*);
constexpr bool kHost64 = true;
#endif

// As it was when mapped: the header copy is writable image memory, and a
// relocation or a section may change the field later.
uint32_t sizeOfImage(const MappedModule* m) {
    return m->imageSize;
}

// Whether [rva, rva + length) lies inside the mapped image.
bool inImage(const MappedModule* m, uint64_t rva, uint64_t length) {
    return rva + length <= sizeOfImage(m) && rva + length >= rva;
}

// The length of the zero-terminated string at rva, or -1 when it runs out of the image.
int64_t stringLength(const MappedModule* m, uint32_t rva) {
    const uint32_t size = sizeOfImage(m);
    if (rva >= size) return -1;
    const void* end = std::memchr(m->imageBase + rva, 0, size - rva);
    return end ? static_cast<const uint8_t*>(end) - (m->imageBase + rva) : -1;
}

// Section header i of the mapped copy, or nullptr when it would lie outside
// the mapped headers.
uint8_t* mappedSection(MappedModule* m, uint32_t i) {
    const uint64_t offset = static_cast<uint64_t>(m->ntHeaders - m->imageBase) + kSectionTable +
                            read16(m->ntHeaders + kSizeOfOptionalHeader) + uint64_t{i} * kSectionHeaderSize;
    return offset + kSectionHeaderSize <= m->headersSize ? m->imageBase + offset : nullptr;
}

// Protections and decommits never touch the pages of the headers: the loader
// and the export look-up read them for as long as the module is mapped.
bool sectionRange(const MappedModule* m, uint32_t va, uint64_t size, uint8_t*& start, uint64_t& length) {
    const uint64_t page = 4096;
    const uint64_t headersEnd = (uint64_t{m->headersSize} + page - 1) / page * page;
    uint64_t from = std::max<uint64_t>(va, headersEnd);
    uint64_t to = std::min<uint64_t>(uint64_t{va} + size, m->imageSize);
    if (from >= to) return false;
    start = m->imageBase + from;
    length = to - from;
    return true;
}

// Only code for this host's machine may run.
bool entryPointRunsHere(const uint8_t* nt) {
    const uint16_t machine = read16(nt + kMachine);
#if defined(__x86_64__)
    return isPe32Plus(nt) && machine == kMachineAmd64;
#elif defined(__i386__)
    return !isPe32Plus(nt) && machine == kMachineI386;
#else
    (void)machine;
    return false;
#endif
}

// A PE32 image keeps 32-bit addresses: on a 64-bit host it lives below 4 GiB.
bool needsLowMapping(const uint8_t* nt) {
    return kHost64 && !isPe32Plus(nt);
}

EntryPoint entryPointOf(const MappedModule* m) {
    return reinterpret_cast<EntryPoint>(m->imageBase + read32(m->ntHeaders + kAddressOfEntryPoint));
}

bool storeImport(MappedModule* m, uint8_t* slot, void* function) {
    if (!function) return false;
    if (isPe32Plus(m->ntHeaders)) {
        write64(slot, reinterpret_cast<uint64_t>(function));
        return true;
    }
    // A 32-bit slot holds only an address below 4 GiB; never a truncated one.
    void* low = os::lowAddressFor(function);
    if (!low) return false;
    write32(slot, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(low)));
    return true;
}

bool bindOneLibrary(MappedModule* m, const uint8_t* descriptor) {
    const uint32_t nameRva = read32(descriptor + kImportName);
    if (stringLength(m, nameRva) < 0) return false;
    os::LibraryHandle library = os::loadLibrary(reinterpret_cast<const char*>(m->imageBase + nameRva));
    if (!library) return false;
    void** grown = static_cast<void**>(std::realloc(m->libraries, sizeof(void*) * (m->libraryCount + 1)));
    if (!grown) {
        os::freeLibrary(library);
        return false;
    }
    m->libraries = grown;
    m->libraries[m->libraryCount++] = library;

    const bool plus = isPe32Plus(m->ntHeaders);
    const uint32_t thunkSize = plus ? 8 : 4;
    const uint32_t lookupRva = read32(descriptor + kImportOriginalFirstThunk);
    const uint32_t addressRva = read32(descriptor + kImportFirstThunk);
    const uint32_t namesRva = lookupRva != 0 ? lookupRva : addressRva;
    for (uint64_t i = 0;; ++i) {
        const uint64_t nameSlot = namesRva + i * thunkSize, addressSlot = addressRva + i * thunkSize;
        if (!inImage(m, nameSlot, thunkSize) || !inImage(m, addressSlot, thunkSize)) return false;
        const uint64_t entry = plus ? read64(m->imageBase + nameSlot) : read32(m->imageBase + nameSlot);
        if (entry == 0) return true;
        const bool byOrdinal = plus ? (entry >> 63) != 0 : (entry >> 31) != 0;
        void* function = nullptr;
        if (byOrdinal) {
            function = os::libraryFunctionByOrdinal(library, static_cast<uint16_t>(entry & 0xFFFF));
        } else {
            const uint64_t hintName = entry & 0x7FFFFFFFu;
            if (hintName > 0xFFFFFFFFu - 2 || stringLength(m, static_cast<uint32_t>(hintName + 2)) < 0)
                return false;
            function =
                os::libraryFunction(library, reinterpret_cast<const char*>(m->imageBase + hintName + 2));
        }
        if (!storeImport(m, m->imageBase + addressSlot, function)) return false;
    }
}

}  // namespace

uint32_t SectionProtection(uint32_t characteristics) {
    // Indexed by [executable][readable][writable].
    static constexpr uint32_t table[2][2][2] = {
        {{os::PageNoAccess, os::PageWriteCopy}, {os::PageReadOnly, os::PageReadWrite}},
        {{os::PageExecute, os::PageExecuteWriteCopy}, {os::PageExecuteRead, os::PageExecuteReadWrite}},
    };
    return table[(characteristics & kSectionExecute) != 0][(characteristics & kSectionRead) != 0]
                [(characteristics & kSectionWrite) != 0];
}

void copyImageSections(MappedModule* m, const uint8_t* image) {
    const uint8_t* sourceNt = image + read32(image + kNtHeadersOffset);
    const uint32_t alignment = read32(sourceNt + kSectionAlignment);
    const uint16_t count = read16(m->ntHeaders + kNumberOfSections);
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t* section = mappedSection(m, i);
        if (!section) break;
        // Where and how much to copy come from the file's own header, which
        // was checked against the file's length: a section table that
        // overlaps the optional header has had its image base rewritten in
        // the mapped copy.
        const uint8_t* sourceSection = image + (section - m->imageBase);
        const uint32_t va = read32(sourceSection + kSectionVirtualAddress);
        const uint32_t rawSize = read32(sourceSection + kSectionSizeOfRawData);
        if (va < m->headersSize) continue;  // never over the headers
        uint8_t* dest = m->imageBase + va;
        uint32_t size = rawSize == 0 ? alignment : rawSize;
        if (size == 0) continue;
        // A section reaching past the image keeps what fits.
        if (!inImage(m, va, 0)) continue;
        if (!inImage(m, va, size)) size = sizeOfImage(m) - va;
        os::commitPages(dest, size);
        if (rawSize == 0)
            std::memset(dest, 0, size);
        else
            std::memcpy(dest, image + read32(sourceSection + kSectionPointerToRawData), size);
        const uintptr_t address = reinterpret_cast<uintptr_t>(dest);
        // The 32-bit field holds the address where it fits (always for a PE32 image).
        if (address <= 0xFFFFFFFFu) write32(section + kSectionMisc, static_cast<uint32_t>(address));
    }
}

void applyImageRelocations(MappedModule* m, int64_t delta) {
    const uint8_t* nt = m->ntHeaders;
    const uint32_t dirRva = directoryAddress(nt, kRelocationDirectory);
    const uint32_t dirSize = directorySize(nt, kRelocationDirectory);
    if (dirSize == 0 || !inImage(m, dirRva, dirSize)) return;
    // Blocks end at a zero page address or at the end of the directory,
    // whichever comes first; bytes after the table are not relocations.
    uint64_t offset = 0;
    while (offset + 8 <= dirSize) {
        const uint8_t* block = m->imageBase + dirRva + offset;
        const uint32_t page = read32(block);
        const uint32_t blockSize = read32(block + 4);
        if (page == 0 || blockSize < 8) break;
        const uint64_t entries = (static_cast<uint64_t>(blockSize) - 8) / 2;
        for (uint64_t e = 0; e < entries && offset + 8 + 2 * e + 2 <= dirSize; ++e) {
            const uint16_t entry = read16(block + 8 + 2 * e);
            const uint64_t target = static_cast<uint64_t>(page) + (entry & 0x0FFF);
            switch (entry >> 12) {
                case kRelocationHighLow:
                    if (inImage(m, target, 4)) {
                        uint8_t* p = m->imageBase + target;
                        write32(p, read32(p) + static_cast<uint32_t>(delta));
                    }
                    break;
                case kRelocationDir64:
                    if (inImage(m, target, 8)) {
                        uint8_t* p = m->imageBase + target;
                        write64(p, read64(p) + static_cast<uint64_t>(delta));
                    }
                    break;
                default:
                    break;  // padding (type 0) and types this host never needs
            }
        }
        offset += blockSize;
    }
}

bool bindImageImports(MappedModule* m) {
    const uint8_t* nt = m->ntHeaders;
    if (directorySize(nt, kImportDirectory) == 0) return true;
    const uint32_t dirRva = directoryAddress(nt, kImportDirectory);
    for (uint64_t rva = dirRva;; rva += kImportDescriptorSize) {
        const uint8_t* descriptor = m->imageBase + rva;
        if (!inImage(m, rva, kImportDescriptorSize) ||
            !os::isReadableRange(descriptor, kImportDescriptorSize) || read32(descriptor + kImportName) == 0)
            return true;
        if (!bindOneLibrary(m, descriptor)) return false;
    }
}

void protectImageSections(MappedModule* m) {
    const uint8_t* nt = m->ntHeaders;
    const uint16_t count = read16(nt + kNumberOfSections);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* section = mappedSection(m, i);
        if (!section) break;
        const uint32_t va = read32(section + kSectionVirtualAddress);
        const uint32_t characteristics = read32(section + kSectionCharacteristics);
        const uint32_t rawSize = read32(section + kSectionSizeOfRawData);
        uint8_t* start;
        uint64_t length;
        if (characteristics & kSectionDiscardable) {
            // Without raw data there is nothing to drop: the section stays committed.
            if (rawSize != 0 && sectionRange(m, va, rawSize, start, length)) os::decommitPages(start, length);
            continue;
        }
        uint32_t protection = SectionProtection(characteristics);
        if (characteristics & kSectionNotCached) protection |= os::PageNoCache;
        uint64_t size = rawSize;
        if (size == 0) {
            if (characteristics & kSectionInitializedData)
                size = read32(nt + kSizeOfInitializedData);
            else if (characteristics & kSectionUninitializedData)
                size = read32(nt + kSizeOfUninitializedData);
        }
        if (size == 0 || !sectionRange(m, va, size, start, length)) continue;
        os::protectPages(start, length, protection);  // a refusal leaves the pages read-write
    }
}

bool moduleImageFits(const void* image, size_t length) {
    const uint8_t* p = static_cast<const uint8_t*>(image);
    if (!p || length < 0x40 || read16(p) != kDosMagic) return false;
    const uint64_t ntOffset = read32(p + kNtHeadersOffset);
    if (ntOffset + kOptionalMagic + 2 > length) return false;
    const uint8_t* nt = p + ntOffset;
    if (ntOffset + directoryOffset(nt, kRelocationDirectory) + 8 > length) return false;
    const uint64_t sections = ntOffset + kSectionTable + read16(nt + kSizeOfOptionalHeader);
    const uint16_t count = read16(nt + kNumberOfSections);
    if (sections + static_cast<uint64_t>(count) * kSectionHeaderSize > length) return false;
    if (read32(nt + kSizeOfHeaders) > length) return false;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* s = p + sections + i * kSectionHeaderSize;
        const uint64_t raw = read32(s + kSectionSizeOfRawData);
        if (raw != 0 && read32(s + kSectionPointerToRawData) + raw > length) return false;
    }
    return true;
}

MappedModule* mapModuleImage(const void* image, size_t length) {
    return moduleImageFits(image, length) ? mapModuleImage(image) : nullptr;
}

MappedModule* mapModuleImage(const void* imageAddress) {
    const uint8_t* image = static_cast<const uint8_t*>(imageAddress);
    if (!image || read16(image) != kDosMagic) return nullptr;
    const uint32_t ntOffset = read32(image + kNtHeadersOffset);
    const uint8_t* sourceNt = image + ntOffset;
    if (read32(sourceNt) != kNtSignature) return nullptr;

    const uint32_t imageSize = read32(sourceNt + kSizeOfImage);
    const uint32_t headersSize = read32(sourceNt + kSizeOfHeaders);
    const uint64_t sectionTableEnd =
        static_cast<uint64_t>(ntOffset) + kSectionTable + read16(sourceNt + kSizeOfOptionalHeader) +
        static_cast<uint64_t>(read16(sourceNt + kNumberOfSections)) * kSectionHeaderSize;
    // The mapped copy of the headers must hold every header the loader reads.
    // (the directories of either format: a relocation may turn one into the other).
    const uint64_t headersNeeded = std::max<uint64_t>(
        sectionTableEnd, uint64_t{ntOffset} + kDirectories64 + 8 * (kRelocationDirectory + 1));
    if (headersSize > imageSize || headersNeeded > headersSize) return nullptr;

    const uint64_t preferred = imageBaseOf(sourceNt);
    const bool low = needsLowMapping(sourceNt);
    void* base = nullptr;
    if (preferred != 0 && preferred <= UINTPTR_MAX)
        base = os::reserveAddressSpace(static_cast<uintptr_t>(preferred), imageSize, low);
    if (!base) base = os::reserveAddressSpace(0, imageSize, low);
    if (!base) return nullptr;

    auto* m = new (std::nothrow) MappedModule;
    if (!m) {
        os::releaseAddressSpace(base);
        return nullptr;
    }
    m->imageBase = static_cast<uint8_t*>(base);
    m->imageSize = imageSize;
    m->headersSize = headersSize;
    os::commitPages(base, imageSize);
    std::memcpy(base, image, headersSize);
    m->ntHeaders = m->imageBase + ntOffset;
    if (isPe32Plus(m->ntHeaders))
        write64(m->ntHeaders + kImageBase64, reinterpret_cast<uintptr_t>(base));
    else
        write32(m->ntHeaders + kImageBase32, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(base)));

    copyImageSections(m, image);
    const int64_t delta = static_cast<int64_t>(reinterpret_cast<uintptr_t>(base) - preferred);
    if (delta != 0) applyImageRelocations(m, delta);
    if (!bindImageImports(m)) {
        unmapModuleImage(m);
        return nullptr;
    }
    protectImageSections(m);

    if (read32(m->ntHeaders + kAddressOfEntryPoint) == 0) return m;
    if (!entryPointRunsHere(m->ntHeaders) || !inImage(m, read32(m->ntHeaders + kAddressOfEntryPoint), 1)) {
        unmapModuleImage(m);
        return nullptr;
    }
    if (entryPointOf(m)(m->imageBase, kDllProcessAttach, nullptr) == 0) {
        unmapModuleImage(m);
        return nullptr;
    }
    m->entryCalled = 1;
    return m;
}

void* lookupModuleExport(MappedModule* m, const char* name) {
    if (!m || !name) return nullptr;
    if (m->sharedObject) return os::libraryFunction(m->sharedObject, name);
    if (!m->ntHeaders) return nullptr;
    // The tables may lie in pages that the image's own protections closed.
    // Each page is asked about once: a table of a million names costs no
    // million system calls.
    constexpr uint64_t kPage = 4096;
    std::vector<int8_t> pageReadable(m->imageSize / kPage + 1, -1);
    auto readable = [m, &pageReadable](uint64_t rva, uint64_t length) {
        if (!inImage(m, rva, length)) return false;
        if (length == 0) return true;
        for (uint64_t page = rva / kPage; page <= (rva + length - 1) / kPage; ++page) {
            int8_t& known = pageReadable[page];
            if (known < 0) known = os::isReadableRange(m->imageBase + page * kPage, 1) ? 1 : 0;
            if (!known) return false;
        }
        return true;
    };
    const uint8_t* nt = m->ntHeaders;
    const uint32_t dirRva = directoryAddress(nt, kExportDirectory);
    if (directorySize(nt, kExportDirectory) == 0 || !readable(dirRva, 0x28)) return nullptr;
    const uint8_t* dir = m->imageBase + dirRva;
    const uint32_t functionCount = read32(dir + kExportNumberOfFunctions);
    const uint32_t nameCount = read32(dir + kExportNumberOfNames);
    if (functionCount == 0 || nameCount == 0) return nullptr;
    const uint32_t functions = read32(dir + kExportAddressOfFunctions);
    const uint32_t names = read32(dir + kExportAddressOfNames);
    const uint32_t ordinals = read32(dir + kExportAddressOfNameOrdinals);
    const size_t wanted = std::strlen(name) + 1;
    for (uint64_t i = 0; i < nameCount; ++i) {
        if (!readable(names + 4 * i, 4)) return nullptr;
        const uint32_t nameRva = read32(m->imageBase + names + 4 * i);
        if (!readable(nameRva, wanted) || std::memcmp(m->imageBase + nameRva, name, wanted) != 0) continue;
        if (!readable(ordinals + 2 * i, 2)) return nullptr;
        const uint16_t index = read16(m->imageBase + ordinals + 2 * i);
        if (index >= functionCount || !readable(functions + 4ull * index, 4)) return nullptr;
        return m->imageBase + read32(m->imageBase + functions + 4 * index);
    }
    return nullptr;
}

void unmapModuleImage(MappedModule* m) {
    if (!m) return;
    if (m->entryCalled) {
        entryPointOf(m)(m->imageBase, kDllProcessDetach, nullptr);
        m->entryCalled = 0;
    }
    if (m->libraries) {
        for (int32_t i = 0; i < m->libraryCount; ++i) os::freeLibrary(m->libraries[i]);
        std::free(m->libraries);
    }
    if (m->sharedObject) os::freeLibrary(m->sharedObject);
    if (m->imageBase) os::releaseAddressSpace(m->imageBase);
    delete m;
}
