#include "support/temp_dir.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <vector>

namespace testsupport {

ScopedCwd::ScopedCwd(const std::filesystem::path& dir) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
}

ScopedCwd::~ScopedCwd() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

TempDir::TempDir(Mode mode) {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrel-test-XXXXXX").string();
    if (char* made = mkdtemp(pattern.data())) path_ = made;
    // A test that cannot have its own folder must not run in another one.
    if (path_.empty()) std::abort();
    if (mode == Enter) cwd_.emplace(path_);
}

TempDir::~TempDir() {
    cwd_.reset();  // out of the folder before it goes
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool fileExists(const std::filesystem::path& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::string listFolder(const std::filesystem::path& path) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(path, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    std::string out;
    for (const auto& name : names) out += (out.empty() ? "" : " ") + name;
    return out;
}

namespace {
std::mutex exitPathsMutex;
std::vector<std::filesystem::path>& exitPaths() {
    static auto* paths = new std::vector<std::filesystem::path>;
    return *paths;
}
}  // namespace

void removeAtExit(const std::filesystem::path& path) {
    std::lock_guard lock(exitPathsMutex);
    exitPaths().push_back(path);
}

void removePathsMarkedForExit() {
    std::lock_guard lock(exitPathsMutex);
    for (const auto& path : exitPaths()) {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    exitPaths().clear();
}

int run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace testsupport
