// Loads an ELF shared library from bytes in memory, without a named file on
// disk: through an executable memory file (memfd_create) and dlopen of its
// /proc/self/fd path; where the system refuses executable memory files, an
// unnamed temporary file (O_TMPFILE) in a directory that allows execution.
//
// Threads: any. Blocks while the bytes are written and dlopen runs the
// library's constructors.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/os/library.h"

namespace loader {

enum class MemoryLibraryRoute { None, MemoryFile, TemporaryFile };

struct MemoryLibrary {
    os::LibraryHandle handle = nullptr;  // free with os::freeLibrary
    MemoryLibraryRoute route = MemoryLibraryRoute::None;
    std::string error;  // why it failed (dlerror text or the refused step)
};

// `name` labels the memory file (it shows in /proc/self/maps). With
// `allowMemoryFile` false only the temporary-file route is tried.
MemoryLibrary loadLibraryFromMemory(std::span<const uint8_t> elf, const char* name,
                                    bool allowMemoryFile = true);

// Whether the bytes start like an ELF object.
bool isElfImage(std::span<const uint8_t> bytes);

}  // namespace loader
