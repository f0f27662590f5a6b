#include "temp_folder_fixture.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/text/cp1251.h"

TempFolder::TempFolder() {
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd)) previous_ = cwd;
    std::string pattern = std::filesystem::temp_directory_path().string() + "/kestrel-library-XXXXXX";
    if (::mkdtemp(pattern.data())) path_ = pattern;
    if (::chdir(path_.c_str()) != 0) std::abort();
}

TempFolder::~TempFolder() {
    if (!previous_.empty() && ::chdir(previous_.c_str()) != 0) std::abort();
    std::error_code ignored;
    // Read-only entries inside are removed too: the folder is ours.
    std::filesystem::remove_all(path_, ignored);
}

void writeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

bool fileExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

std::string listFolder(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(path.c_str())) {
        while (dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::string out;
    for (const auto& n : names) out += (out.empty() ? "" : " ") + n;
    return out;
}

std::string cp(std::string_view utf8) {
    return text::toCp1251(utf8);
}
