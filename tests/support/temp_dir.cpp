#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <vector>

namespace testsupport {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrel-test-XXXXXX").string();
    if (char* made = mkdtemp(pattern.data())) path_ = made;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

ScopedCwd::ScopedCwd(const std::filesystem::path& dir) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
}

ScopedCwd::~ScopedCwd() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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
