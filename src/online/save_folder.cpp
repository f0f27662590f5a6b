#include "online/save_folder.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

std::string saveFolderName() {
    const char* named = std::getenv("KESTREL_SAVE_DIR");
    std::string folder = named ? named : "";
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

bool prepareSaveFolder(std::string& folder) {
    folder = saveFolderName();
    if (folder.empty()) return true;
    std::error_code error;
    const std::filesystem::path path(folder);
    std::filesystem::create_directories(path, error);
    return std::filesystem::is_directory(path, error);
}
