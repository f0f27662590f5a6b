// The artist index: the names of one initial letter are read from
// "файлы/<letter>.txt", kept as the letter's group of "файлы/name.pls" and
// split over three columns.
#include "library/artist_catalogue.h"

#include <cstdio>
#include <string>
#include <vector>

#include "library/key_value_file.h"
#include "platform/gui/gui.h"
#include "platform/text/cp1251.h"
#include "ui/ids.h"
#include "ui/register.h"

namespace {

constexpr const char* kNameFolder = "файлы/";
constexpr const char* kNameStore = "файлы/name.pls";
constexpr int kColumns[3] = {ctl::ArtistList1, ctl::ArtistList2, ctl::ArtistList3};

// Reads one line ending in CR LF, LF or CR (the last may have none).
// False at the end of the file.
bool readLine(std::FILE* file, std::string& line) {
    line.clear();
    int c = std::fgetc(file);
    if (c == EOF) return false;
    while (c != EOF && c != '\r' && c != '\n') {
        line += static_cast<char>(c);
        c = std::fgetc(file);
    }
    if (c == '\r') {
        const int after = std::fgetc(file);
        if (after != '\n' && after != EOF) std::ungetc(after, file);
    }
    return true;
}

// Reads the letter's text file ("файлы/<letter>.txt"): one name a line,
// blanks around it dropped as the store would drop them. Nothing when the
// file cannot be opened (false).
bool readLetterNames(const std::string& letter, std::vector<std::string>& out) {
    std::FILE* names = std::fopen((kNameFolder + letter + ".txt").c_str(), "rb");
    if (!names) return false;
    for (std::string line; readLine(names, line);) {
        const size_t first = line.find_first_not_of(" \t");
        const size_t last = line.find_last_not_of(" \t");
        out.push_back(first == std::string::npos ? std::string() : line.substr(first, last - first + 1));
    }
    std::fclose(names);
    return true;
}

// Keeps the names as the letter's group of the store. Best effort: a store
// that cannot be written (a read-only data folder) changes nothing shown.
void storeLetter(const std::string& group, const std::vector<std::string>& names) {
    keyValueFile.open(kNameStore);
    keyValueFile.removeGroup(group);
    keyValueFile.selectGroup(group);
    for (size_t n = 0; n < names.size(); ++n) keyValueFile.writeValue("Title" + std::to_string(n), names[n]);
    keyValueFile.close();
}

// Rows first .. end-1 of one column; a column ends at the first empty name.
void fillColumn(int list, const std::vector<std::string>& names, int first, int end) {
    for (int i = first; i < end; ++i) {
        const std::string& name = names[static_cast<size_t>(i)];
        if (name.empty()) break;
        gui::listAddRow(list, text::fromCp1251(name), 0);
    }
}

}  // namespace

void openArtistIndex() {
    buildArtistIndexWindow();
}

void loadArtistLetter(const std::string& letter) {
    const std::string group = text::toCp1251(letter);
    std::vector<std::string> names;
    if (readLetterNames(letter, names)) storeLetter(group, names);
    const int n = static_cast<int>(names.size());
    const int t = n / 3;
    for (int list : kColumns) gui::listClear(list);
    // Shown from the names read, not from the store: the index works in a
    // data folder where the store cannot be written.
    fillColumn(ctl::ArtistList1, names, 0, t);
    fillColumn(ctl::ArtistList2, names, t, 2 * t);
    fillColumn(ctl::ArtistList3, names, 2 * t, n);
    for (int list : kColumns) {
        const gui::Rect r = gui::controlRect(list);
        gui::resizeControl(list, r.w, t * 30 + 80);
    }
}

void chooseArtist(int list) {
    const int row = gui::listSelectedRow(list);
    const std::string name = row < 0 ? std::string() : gui::listRowText(list, row);
    gui::setText(ctl::ArtistNameField, name);
    gui::setText(ctl::SearchField, name);
}
