#include "online/save_folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

bool prepareSaveFolder(std::string& folder) {
    const char* named = std::getenv("KESTREL_SAVE_DIR");
    folder = named ? named : "";
    if (folder.empty()) return true;
    if (folder.back() != '/') folder += '/';
    std::error_code error;
    const std::filesystem::path path(folder);
    std::filesystem::create_directories(path, error);
    return std::filesystem::is_directory(path, error);
}
