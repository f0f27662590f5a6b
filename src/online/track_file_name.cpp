#include "online/track_file_name.h"

namespace {
constexpr size_t maxNameBytes = 255;  // NAME_MAX of Linux file systems
constexpr std::string_view extension = ".mp3";
}  // namespace

std::string trackFileName(std::string_view title, int copy) {
    const std::string number = copy > 1 ? " (" + std::to_string(copy) + ")" : "";
    std::string stem(title);
    for (char& c : stem)
        if (c == '/' || c == '\0') c = '_';
    if (stem.empty() || stem == "." || stem == "..") stem = "Без названия";
    size_t room = maxNameBytes - extension.size() - number.size();
    if (stem.size() > room) {
        size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80)
            --cut;  // not inside a character
        stem.resize(cut);
    }
    return stem + number + std::string(extension);
}
