#include "platform/loader/memory_library.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace loader {
namespace {

#ifdef MFD_EXEC
constexpr unsigned kMemfdExec = MFD_EXEC;
#else
constexpr unsigned kMemfdExec = 0x0010U;
#endif

bool writeAll(int fd, std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// dlopen of the descriptor's /proc path; the descriptor can be closed after,
// the mapping keeps the file alive.
os::LibraryHandle openDescriptor(int fd, std::string& error) {
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    os::LibraryHandle handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* e = dlerror();
        error = e ? e : "dlopen failed";
    }
    return handle;
}

os::LibraryHandle throughMemoryFile(std::span<const uint8_t> elf, const char* name, std::string& error) {
    // Kernels from 6.3 take the executable wish explicitly (and default to
    // non-executable where vm.memfd_noexec says so); older ones reject the
    // flag as unknown, and their memory files are executable anyway.
    int fd = memfd_create(name, MFD_CLOEXEC | kMemfdExec);
    if (fd < 0 && errno == EINVAL) fd = memfd_create(name, MFD_CLOEXEC);
    if (fd < 0) {
        error = std::string("memfd_create: ") + std::strerror(errno);
        return nullptr;
    }
    os::LibraryHandle handle = nullptr;
    if (writeAll(fd, elf))
        handle = openDescriptor(fd, error);
    else
        error = std::string("write to memory file: ") + std::strerror(errno);
    close(fd);
    return handle;
}

os::LibraryHandle throughTemporaryFile(std::span<const uint8_t> elf, std::string& error) {
    std::string dirs[4];
    int n = 0;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) dirs[n++] = runtime;
    if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp) dirs[n++] = tmp;
    dirs[n++] = "/tmp";
    dirs[n++] = "/var/tmp";
    for (int i = 0; i < n; ++i) {
        int fd = open(dirs[i].c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0700);
        if (fd < 0) {
            error = "O_TMPFILE in " + dirs[i] + ": " + std::strerror(errno);
            continue;
        }
        os::LibraryHandle handle = nullptr;
        if (writeAll(fd, elf)) handle = openDescriptor(fd, error);  // noexec mounts fail here
        close(fd);
        if (handle) return handle;
    }
    return nullptr;
}

}  // namespace

bool isElfImage(std::span<const uint8_t> bytes) {
    return bytes.size() >= 4 && bytes[0] == 0x7F && bytes[1] == 'E' && bytes[2] == 'L' && bytes[3] == 'F';
}

MemoryLibrary loadLibraryFromMemory(std::span<const uint8_t> elf, const char* name, bool allowMemoryFile) {
    MemoryLibrary result;
    if (!isElfImage(elf)) {
        result.error = "not an ELF image";
        return result;
    }
    if (allowMemoryFile) {
        result.handle = throughMemoryFile(elf, name ? name : "library", result.error);
        if (result.handle) {
            result.route = MemoryLibraryRoute::MemoryFile;
            return result;
        }
    }
    result.handle = throughTemporaryFile(elf, result.error);
    if (result.handle) {
        result.route = MemoryLibraryRoute::TemporaryFile;
        result.error.clear();
    }
    return result;
}

}  // namespace loader
