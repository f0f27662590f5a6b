// Maps a Windows DLL image (PE32 or PE32+) held in memory: sections,
// relocations, imports through the system loader, page protections, entry
// point, exports by name. A module may instead wrap an ELF library that the
// system loader mapped (the carried audio library); its exports are found by
// name just the same.
//
// Threads: the UI thread at start-up (the loader keeps no shared state of its
// own). Nothing blocks beyond the system loader and the module's entry point.
#pragma once

#include <cstddef>
#include <cstdint>

struct MappedModule {
    uint8_t* ntHeaders = nullptr;  // inside the mapped copy of the headers
    uint8_t* imageBase = nullptr;
    void** libraries = nullptr;  // one handle per import descriptor processed
    int32_t libraryCount = 0;
    int32_t entryCalled = 0;
    void* sharedObject = nullptr;  // an ELF library mapped by the system loader instead of a PE image
    // SizeOfImage and SizeOfHeaders as mapped. Every access to the mapping is
    // bounded by these, not by the mapped headers, which relocations and
    // imports may overwrite.
    uint32_t imageSize = 0;
    uint32_t headersSize = 0;
};

// Trusts the image's own headers for every size and offset: the caller must
// pass a complete, well-formed image. Returns nullptr on failure, with
// everything it set up released. Code of the image runs only when its
// machine is this host's (PE32+ on x86-64, PE32 on x86); a foreign image
// with an entry point is refused.
MappedModule* mapModuleImage(const void* image);
// The same for an image of known length: first checks that every header,
// section and table the loader reads from the source lies inside it.
MappedModule* mapModuleImage(const void* image, size_t length);
// Whether the loader's reads of the source image stay inside `length` bytes.
bool moduleImageFits(const void* image, size_t length);

// An exported function by its exact (case-sensitive) name, or nullptr.
void* lookupModuleExport(MappedModule* module, const char* name);
// Detaches and releases everything; a null module is ignored.
void unmapModuleImage(MappedModule* module);

// The steps of mapModuleImage, for its tests.
void copyImageSections(MappedModule* module, const uint8_t* image);
void applyImageRelocations(MappedModule* module, int64_t delta);
bool bindImageImports(MappedModule* module);
void protectImageSections(MappedModule* module);
// Windows page protection for a section's characteristics.
uint32_t SectionProtection(uint32_t characteristics);
