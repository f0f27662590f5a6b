// The in-memory loader: maps a library that the program carries in its own
// data, without a file on disk, finds its exports by name and releases it.
// The bytes are in the packed form (packed_image.h). An ELF library is
// mapped by the system loader from a memory file (memory_library.h); a
// Windows DLL image (PE32 or PE32+) by our own module loader
// (module_loader.h). Exports are found by name in both.
//
// Threads: the UI thread at start-up (the loader keeps no shared state of its
// own). Nothing blocks beyond the system loader, the library's constructors
// and a PE module's entry point.
#pragma once

#include <cstdint>
#include <span>

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

// Maps a packed library image: an ELF library through a memory file, a PE
// image by the module loader. nullptr when the bytes are not a whole packed
// image or the image inside cannot be mapped.
MappedModule* mapModule(std::span<const uint8_t> packed);

// An exported function by its exact (case-sensitive) name, or nullptr.
void* lookupModuleExport(MappedModule* module, const char* name);
// Detaches and releases everything; a null module is ignored.
void unmapModuleImage(MappedModule* module);
