#include "platform/os/library.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <mutex>

namespace os {
namespace {

struct DynamicSymbols {
    const ElfW(Sym) * symbols = nullptr;
    const char* strings = nullptr;
    uint32_t count = 0;
};

// glibc relocates the pointers of the dynamic section in place on most
// hosts; where it does not, they are still offsets from the load address.
uintptr_t dynamicAddress(const link_map* map, ElfW(Addr) value) {
    return value < map->l_addr ? map->l_addr + value : value;
}

uint32_t countFromGnuHash(const uint32_t* table) {
    const uint32_t bucketCount = table[0], symbolOffset = table[1], bloomSize = table[2];
    const uint32_t* buckets = table + 4 + bloomSize * (sizeof(ElfW(Addr)) / 4);
    const uint32_t* chains = buckets + bucketCount;
    uint32_t last = 0;
    for (uint32_t i = 0; i < bucketCount; ++i) last = buckets[i] > last ? buckets[i] : last;
    if (last < symbolOffset) return symbolOffset;
    while ((chains[last - symbolOffset] & 1) == 0) ++last;
    return last + 1;
}

DynamicSymbols dynamicSymbols(LibraryHandle library) {
    DynamicSymbols result;
    link_map* map = nullptr;
    if (!library || dlinfo(library, RTLD_DI_LINKMAP, &map) != 0 || !map || !map->l_ld) return result;
    const uint32_t* sysvHash = nullptr;
    const uint32_t* gnuHash = nullptr;
    for (const ElfW(Dyn)* d = map->l_ld; d->d_tag != DT_NULL; ++d) {
        switch (d->d_tag) {
            case DT_SYMTAB:
                result.symbols = reinterpret_cast<const ElfW(Sym)*>(dynamicAddress(map, d->d_un.d_ptr));
                break;
            case DT_STRTAB:
                result.strings = reinterpret_cast<const char*>(dynamicAddress(map, d->d_un.d_ptr));
                break;
            case DT_HASH:
                sysvHash = reinterpret_cast<const uint32_t*>(dynamicAddress(map, d->d_un.d_ptr));
                break;
            case DT_GNU_HASH:
                gnuHash = reinterpret_cast<const uint32_t*>(dynamicAddress(map, d->d_un.d_ptr));
                break;
            default:
                break;
        }
    }
    if (!result.symbols || !result.strings) return {};
    if (sysvHash)
        result.count = sysvHash[1];
    else if (gnuHash)
        result.count = countFromGnuHash(gnuHash);
    return result;
}

bool isDefinedFunctionOrObject(const ElfW(Sym) & s) {
    return s.st_shndx != SHN_UNDEF && s.st_name != 0;
}

// Jump stubs below 4 GiB: movabs rax, target; jmp rax.
constexpr size_t kStubSize = 16;
std::mutex stubsMutex;
std::map<void*, void*> stubs;  // target -> stub; guarded by stubsMutex
uint8_t* stubPage = nullptr;   // guarded by stubsMutex
size_t stubPageUsed = 0;       // guarded by stubsMutex

uint8_t* newLowPage(size_t size) {
    void* p = MAP_FAILED;
#ifdef MAP_32BIT
    p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
#endif
    for (uint64_t hint = 0x20000000ull; p == MAP_FAILED && hint < 0x100000000ull; hint += 0x08000000ull) {
        p = mmap(reinterpret_cast<void*>(hint), size, PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
        if (p != MAP_FAILED && reinterpret_cast<uintptr_t>(p) != hint) {
            munmap(p, size);
            p = MAP_FAILED;
        }
    }
    if (p == MAP_FAILED) return nullptr;
    if (reinterpret_cast<uint64_t>(p) + size > 0x100000000ull) {
        munmap(p, size);
        return nullptr;
    }
    return static_cast<uint8_t*>(p);
}

}  // namespace

LibraryHandle loadLibrary(const char* name) {
    if (!name || !*name) return nullptr;
    return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

bool freeLibrary(LibraryHandle library) {
    return library && dlclose(library) == 0;
}

void* libraryFunction(LibraryHandle library, const char* name) {
    if (!library || !name) return nullptr;
    return dlsym(library, name);
}

void* libraryFunctionByOrdinal(LibraryHandle library, uint16_t ordinal) {
    const DynamicSymbols table = dynamicSymbols(library);
    if (ordinal >= table.count) return nullptr;
    const ElfW(Sym)& s = table.symbols[ordinal];
    if (!isDefinedFunctionOrObject(s)) return nullptr;
    // Through dlsym, so that indirect functions and default versions resolve
    // as they would by name.
    return dlsym(library, table.strings + s.st_name);
}

int libraryOrdinalOf(LibraryHandle library, const char* name) {
    const DynamicSymbols table = dynamicSymbols(library);
    const uint32_t limit = table.count < 0x10000 ? table.count : 0x10000;
    for (uint32_t i = 0; i < limit && name; ++i) {
        const ElfW(Sym)& s = table.symbols[i];
        if (isDefinedFunctionOrObject(s) && std::strcmp(table.strings + s.st_name, name) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

void* lowAddressFor(void* target) {
    if (!target) return nullptr;
    if (reinterpret_cast<uint64_t>(target) < 0x100000000ull) return target;
#if defined(__x86_64__)
    std::lock_guard lock(stubsMutex);
    if (auto it = stubs.find(target); it != stubs.end()) return it->second;
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    if (!stubPage || stubPageUsed + kStubSize > page) {
        stubPage = newLowPage(page);
        stubPageUsed = 0;
        if (!stubPage) return nullptr;
    } else if (mprotect(stubPage, page, PROT_READ | PROT_WRITE) != 0) {
        return nullptr;
    }
    uint8_t* stub = stubPage + stubPageUsed;
    const uint64_t address = reinterpret_cast<uint64_t>(target);
    stub[0] = 0x48;  // movabs rax, imm64
    stub[1] = 0xB8;
    std::memcpy(stub + 2, &address, 8);
    stub[10] = 0xFF;  // jmp rax
    stub[11] = 0xE0;
    std::memset(stub + 12, 0xCC, kStubSize - 12);
    stubPageUsed += kStubSize;
    mprotect(stubPage, page, PROT_READ | PROT_EXEC);
    stubs[target] = stub;
    return stub;
#else
    return nullptr;
#endif
}

}  // namespace os
