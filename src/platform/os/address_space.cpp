#include "platform/os/address_space.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>

namespace os {
namespace {

std::mutex reservationsMutex;
std::map<uintptr_t, size_t> reservations;  // base -> length; guarded by reservationsMutex

size_t pageSize() {
    static const size_t size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return size;
}

uintptr_t pageFloor(uintptr_t a) {
    return a & ~(pageSize() - 1);
}
uintptr_t pageCeil(uintptr_t a) {
    return (a + pageSize() - 1) & ~(pageSize() - 1);
}

// The page-widened range, when it lies wholly inside one reservation.
bool widenInsideReservation(void* address, size_t size, uintptr_t& begin, uintptr_t& end) {
    const uintptr_t a = reinterpret_cast<uintptr_t>(address);
    if (a + size < a) return false;
    begin = pageFloor(a);
    end = pageCeil(a + size);
    std::lock_guard lock(reservationsMutex);
    auto it = reservations.upper_bound(begin);
    if (it == reservations.begin()) return false;
    --it;
    return begin >= it->first && end <= it->first + it->second;
}

int hostProtection(uint32_t protection) {
    switch (protection & 0xFF) {
        case PageReadOnly:
            return PROT_READ;
        case PageReadWrite:
        case PageWriteCopy:
            return PROT_READ | PROT_WRITE;
        case PageExecute:
            return PROT_EXEC;
        case PageExecuteRead:
            return PROT_READ | PROT_EXEC;
        case PageExecuteReadWrite:
        case PageExecuteWriteCopy:
            return PROT_READ | PROT_WRITE | PROT_EXEC;
        default:
            return PROT_NONE;
    }
}

void* mapAt(uintptr_t address, size_t length, int extraFlags) {
    void* p = mmap(reinterpret_cast<void*>(address), length, PROT_NONE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | extraFlags, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

constexpr uint64_t kFourGiB = 0x100000000ull;

void* reserveLow(size_t length) {
#ifdef MAP_32BIT
    if (void* p = mapAt(0, length, MAP_32BIT)) return p;
#endif
    // Walk hints from 1 GiB upward; the kernel places a hint exactly when free.
    for (uint64_t hint = 0x40000000ull; hint + length <= kFourGiB; hint += 0x10000000ull) {
        if (void* p = mapAt(hint, length, MAP_FIXED_NOREPLACE)) return p;
    }
    return nullptr;
}

}  // namespace

void* reserveAddressSpace(uintptr_t preferred, size_t size, bool below4GiB) {
    if (size == 0) return nullptr;
    const size_t length = pageCeil(size);
    if (preferred != 0 && (preferred % pageSize() != 0 || (below4GiB && preferred + length > kFourGiB)))
        return nullptr;
    void* p = nullptr;
    if (preferred != 0) {
        p = mapAt(preferred, length, MAP_FIXED_NOREPLACE);
        // Kernels before 4.17 take the flag as a hint: a different answer is a refusal.
        if (p && reinterpret_cast<uintptr_t>(p) != preferred) {
            munmap(p, length);
            p = nullptr;
        }
    } else {
        p = below4GiB ? reserveLow(length) : mapAt(0, length, 0);
    }
    if (p && below4GiB && reinterpret_cast<uintptr_t>(p) + length > kFourGiB) {
        munmap(p, length);
        p = nullptr;
    }
    if (!p) return nullptr;
    std::lock_guard lock(reservationsMutex);
    reservations[reinterpret_cast<uintptr_t>(p)] = length;
    return p;
}

bool commitPages(void* address, size_t size) {
    uintptr_t begin, end;
    if (!widenInsideReservation(address, size, begin, end)) return false;
    if (begin == end) return true;
    return mprotect(reinterpret_cast<void*>(begin), end - begin, PROT_READ | PROT_WRITE) == 0;
}

bool decommitPages(void* address, size_t size) {
    uintptr_t begin, end;
    if (size == 0 || !widenInsideReservation(address, size, begin, end)) return false;
    void* p = reinterpret_cast<void*>(begin);
    // Replacing the pages drops their contents and leaves them inaccessible.
    return mmap(p, end - begin, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_FIXED, -1, 0) ==
           p;
}

bool protectPages(void* address, size_t size, uint32_t protection) {
    uintptr_t begin, end;
    if (!widenInsideReservation(address, size, begin, end)) return false;
    if (begin == end) return true;
    return mprotect(reinterpret_cast<void*>(begin), end - begin, hostProtection(protection)) == 0;
}

bool releaseAddressSpace(void* base) {
    size_t length;
    {
        std::lock_guard lock(reservationsMutex);
        auto it = reservations.find(reinterpret_cast<uintptr_t>(base));
        if (it == reservations.end()) return false;
        length = it->second;
        reservations.erase(it);
    }
    return munmap(base, length) == 0;
}

// Where process_vm_readv is forbidden (seccomp), a write into a pipe makes
// the kernel read the bytes and report EFAULT just the same.
static bool readableThroughPipe(const char* p, size_t size) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    bool readable = true;
    char sink[4096];
    while (size > 0 && readable) {
        const size_t chunk = size < sizeof sink ? size : sizeof sink;
        readable = write(fds[1], p, chunk) == static_cast<ssize_t>(chunk) &&
                   read(fds[0], sink, chunk) == static_cast<ssize_t>(chunk);
        p += chunk;
        size -= chunk;
    }
    close(fds[0]);
    close(fds[1]);
    return readable;
}

bool isReadableRange(const void* address, size_t size) {
    // The kernel copies from our own address space and reports EFAULT
    // instead of faulting; a small buffer is reused chunk by chunk.
    char buffer[4096];
    const char* p = static_cast<const char*>(address);
    while (size > 0) {
        const size_t chunk = size < sizeof buffer ? size : sizeof buffer;
        iovec local{buffer, chunk};
        iovec remote{const_cast<char*>(p), chunk};
        ssize_t n = process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
        if (n < 0 && (errno == EPERM || errno == ENOSYS)) return readableThroughPipe(p, size);
        if (n != static_cast<ssize_t>(chunk)) return false;
        p += chunk;
        size -= chunk;
    }
    return true;
}

}  // namespace os
