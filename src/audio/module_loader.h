// Maps a Windows DLL image (PE32 or PE32+) held in memory: sections,
// relocations, imports through the system loader, page protections, entry
// point, exports by name.
#pragma once

#include <cstdint>

struct MappedModule {
    uint8_t* ntHeaders = nullptr;  // inside the mapped copy of the headers
    uint8_t* imageBase = nullptr;
    void** libraries = nullptr;  // one handle per import descriptor processed
    int32_t libraryCount = 0;
    int32_t entryCalled = 0;
};

// Returns nullptr on failure, with everything it set up released.
MappedModule* mapModuleImage(const void* image);
void* lookupModuleExport(MappedModule* module, const char* name);
void unmapModuleImage(MappedModule* module);
