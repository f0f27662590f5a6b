// The system loader: shared libraries by name, their functions by name or by
// ordinal, and stubs that make a function reachable through a 32-bit slot.
//
// Threads: any thread. Nothing blocks beyond the dynamic loader's own lock.
// Failures return nullptr (or false); nothing is shown or logged.
#pragma once

#include <cstdint>

namespace os {

using LibraryHandle = void*;

// Loads a library by file name ("libc.so.6") or path, resolving all its
// symbols now. Each successful load must be matched by one freeLibrary.
LibraryHandle loadLibrary(const char* name);
bool freeLibrary(LibraryHandle library);

// A function (or other symbol) of a loaded library by its exported name.
void* libraryFunction(LibraryHandle library, const char* name);

// A library's ordinal N is entry N of its dynamic symbol table (ELF has no
// ordinals of its own; that table's order is fixed when the library is
// linked). Undefined entries and entries past the table answer nullptr.
void* libraryFunctionByOrdinal(LibraryHandle library, uint16_t ordinal);
// The ordinal of an exported name, or -1 (the inverse of the above).
int libraryOrdinalOf(LibraryHandle library, const char* name);

// An address below 4 GiB that transfers control to `target`: the target
// itself when it lies below 4 GiB, else a small jump stub in a low page
// (one stub per target, kept for the life of the process). nullptr when no
// low page can be had.
void* lowAddressFor(void* target);

}  // namespace os
