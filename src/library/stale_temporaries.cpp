#include "library/stale_temporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "library/atomic_file.h"

namespace {

bool allOf(std::string_view s, bool (*accept)(char)) {
    if (s.empty()) return false;
    for (char c : s)
        if (!accept(c)) return false;
    return true;
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isHex(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f');
}

// A pid in decimal, without a leading zero, that fits an int.
int parsePid(std::string_view digits) {
    if (!allOf(digits, isDigit) || digits[0] == '0' || digits.size() > 9) return 0;
    int pid = 0;
    for (char c : digits) pid = pid * 10 + (c - '0');
    return pid;
}

bool processRuns(int pid) {
    return pid == ::getpid() || ::kill(pid, 0) == 0 || errno == EPERM;
}

}  // namespace

int temporaryOwner(std::string_view name) {
    constexpr std::string_view download = ".kestrel-download-", part = ".part", tmp = ".tmp-";
    if (name.size() < 2 || name[0] != '.') return 0;
    if (name.starts_with(download) && name.ends_with(part)) {
        // <pid>-<hex>
        std::string_view rest = name.substr(download.size(), name.size() - download.size() - part.size());
        const size_t dash = rest.find('-');
        if (dash == std::string_view::npos || !allOf(rest.substr(dash + 1), isHex)) return 0;
        return parsePid(rest.substr(0, dash));
    }
    // .<name>.tmp-<pid>-<serial>-<hex>
    const size_t at = name.rfind(tmp);
    if (at == std::string_view::npos || at < 2) return 0;
    std::string_view rest = name.substr(at + tmp.size());
    const size_t first = rest.find('-');
    const size_t second = first == std::string_view::npos ? first : rest.find('-', first + 1);
    if (second == std::string_view::npos) return 0;
    if (!allOf(rest.substr(first + 1, second - first - 1), isDigit) || !allOf(rest.substr(second + 1), isHex))
        return 0;
    return parsePid(rest.substr(0, first));
}

int removeStaleTemporaries(const std::string& folder) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const int pid = temporaryOwner(entry->d_name);
        if (pid == 0 || processRuns(pid)) continue;
        struct stat st;
        if (::fstatat(::dirfd(dir.get()), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode))
            continue;
        if (::unlinkat(::dirfd(dir.get()), entry->d_name, 0) == 0) ++removed;
    }
    return removed;
}

int removeStaleTemporariesBeside(const std::string& file) {
    const std::string target = atomic_file::resolveLinks(file);
    const size_t slash = target.rfind('/');
    return removeStaleTemporaries(slash == std::string::npos ? "."
                                  : slash == 0               ? "/"
                                                             : target.substr(0, slash));
}
