// The module loader maps a Windows DLL image (PE32 or PE32+) held in
// memory: sections, relocations, imports through the system loader, page
// protections, entry point. Its exports are found and it is released
// through loader.h, as an ELF library is.
//
// Threads: as loader.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/loader/loader.h"

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

// The steps of mapModuleImage, for its tests.
void copyImageSections(MappedModule* module, const uint8_t* image);
void applyImageRelocations(MappedModule* module, int64_t delta);
bool bindImageImports(MappedModule* module);
void protectImageSections(MappedModule* module);
// Windows page protection for a section's characteristics.
uint32_t SectionProtection(uint32_t characteristics);
