// Address space in the manner of a Windows loader: reserve a range, commit
// and decommit pages inside it, change their protection, release it whole.
// Backed by mmap/mprotect/madvise.
//
// Threads: any thread; the table of reservations is guarded by a mutex.
// Nothing blocks beyond the system calls. Ranges that do not start on a page
// boundary are widened to whole pages, as the Windows services do.
#pragma once

#include <cstddef>
#include <cstdint>

namespace os {

// Windows page protection values, as section tables speak them.
enum PageProtection : uint32_t {
    PageNoAccess = 0x01,
    PageReadOnly = 0x02,
    PageReadWrite = 0x04,
    PageWriteCopy = 0x08,
    PageExecute = 0x10,
    PageExecuteRead = 0x20,
    PageExecuteReadWrite = 0x40,
    PageExecuteWriteCopy = 0x80,
    PageNoCache = 0x200,  // modifier; ignored on this host
};

// Reserves `size` bytes of inaccessible address space. With `preferred` not
// 0 the reservation is placed exactly there or not at all. With `below4GiB`
// the whole range lies below 4 GiB (32-bit images on a 64-bit host).
// Returns nullptr when refused.
void* reserveAddressSpace(uintptr_t preferred, size_t size, bool below4GiB);

// Makes [address, address + size) readable and writable; pages committed for
// the first time read as zero, pages already committed keep their bytes.
// Fails (false) outside a reservation of ours.
bool commitPages(void* address, size_t size);

// Discards the pages' contents and makes them inaccessible; false outside a
// reservation of ours or for size 0.
bool decommitPages(void* address, size_t size);

// Sets the protection of committed pages; false when refused or outside a
// reservation of ours. Write-copy is taken as read-write.
bool protectPages(void* address, size_t size, uint32_t protection);

// Releases a whole reservation by its base address; false for an address
// that is not the base of a reservation of ours.
bool releaseAddressSpace(void* base);

// Whether every byte of [address, address + size) can be read now. Never
// faults. A size of 0 is readable.
bool isReadableRange(const void* address, size_t size);

}  // namespace os
