// Names shared by the readers and the writers of "inet_radio.pls". Its
// text goes through the document's text operations (selectGroupText,
// readText, writeText), which keep every character.
#pragma once

#include <string>

inline constexpr const char* kStationFile = "inet_radio.pls";

// "File" or "Title" and the entry number, as the numbered keys are spelled.
inline std::string fileKey(int n) {
    return "File" + std::to_string(n);
}
inline std::string titleKey(int n) {
    return "Title" + std::to_string(n);
}
