// Names shared by the readers and the writer of "inet_radio.pls".
#pragma once

#include <string>

#include "platform/text/cp1251.h"

inline constexpr const char* kStationFile = "inet_radio.pls";

// "File" or "Title" and the entry number, as the numbered keys are spelled.
inline std::string fileKey(int n) {
    return "File" + std::to_string(n);
}
inline std::string titleKey(int n) {
    return "Title" + std::to_string(n);
}

// Group names as they stand in the file (Windows-1251).
inline std::string fileGroup(const std::string& utf8Name) {
    return text::toCp1251(utf8Name);
}
