#include "library/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <vector>

namespace atomic_file {
namespace {

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// A fresh name beside the target, created exclusively so that two writers
// never share one temporary file.
int createTemporary(const std::string& target, mode_t mode, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    const auto slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = target.substr(folder.size());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, ".tmp-%d-%u-%lx", static_cast<int>(::getpid()), counter++,
                      static_cast<unsigned long>(::clock()) ^ static_cast<unsigned long>(::time(nullptr)));
        tempPath = folder + "." + base + suffix;
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

std::string resolveLinks(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::vector<char> buffer(static_cast<size_t>(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
        const ssize_t n = ::readlink(current.c_str(), buffer.data(), buffer.size());
        if (n < 0 || static_cast<size_t>(n) >= buffer.size()) return current;
        std::string link(buffer.data(), static_cast<size_t>(n));
        if (!link.empty() && link[0] != '/') {
            const auto slash = current.rfind('/');
            if (slash != std::string::npos) link = current.substr(0, slash + 1) + link;
        }
        current = link;
    }
    return current;
}

bool replaceContent(const std::string& path, std::string_view bytes) {
    const std::string target = resolveLinks(path);
    struct stat old;
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        errno = EISDIR;
        return false;
    }

    std::string tempPath;
    const int fd = createTemporary(target, exists ? (old.st_mode & 07777) : 0666, tempPath);
    if (fd < 0) return false;
    bool ok = writeAll(fd, bytes);
    if (ok && exists) {
        // The umask may have taken bits away; the target's mode is what counts.
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Only the owner's own files can be given away; keeping ours is fine.
        }
    }
    ok = ok && ::fdatasync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok) ok = ::rename(tempPath.c_str(), target.c_str()) == 0;
    if (!ok) {
        const int why = errno;
        ::unlink(tempPath.c_str());
        errno = why;
        return false;
    }
    return true;
}

}  // namespace atomic_file
