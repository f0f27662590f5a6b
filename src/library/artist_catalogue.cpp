// The artist index: the names of one initial letter are read from
// "файлы/<letter>.txt", stored as the letter's group of "файлы/name.pls",
// read back from there and split over three columns.
#include "library/artist_catalogue.h"

#include <cstdio>

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

// Imports the letter's text file into its group of the store; returns the
// number of names, 0 when the text file cannot be opened. The store stays
// open and modified: the next open writes it.
int importLetter(const std::string& letter, const std::string& group) {
    std::FILE* names = std::fopen((kNameFolder + letter + ".txt").c_str(), "rb");
    if (!names) return 0;
    int n = 0;
    keyValueFile.open(kNameStore);
    keyValueFile.removeGroup(group);
    keyValueFile.selectGroup(group);
    for (std::string line; readLine(names, line); ++n)
        keyValueFile.writeValue("Title" + std::to_string(n), line);
    std::fclose(names);
    return n;
}

void fillColumn(int list, int first, int end) {
    for (int i = first; i < end; ++i) {
        const std::string name = keyValueFile.readValue("Title" + std::to_string(i), "");
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
    const int n = importLetter(letter, group);
    const int t = n / 3;
    for (int list : kColumns) gui::listClear(list);
    // This open writes the import, which moves the letter's group to the end.
    if (keyValueFile.open(kNameStore)) {
        keyValueFile.selectGroup(group);
        fillColumn(ctl::ArtistList1, 0, t);
        fillColumn(ctl::ArtistList2, t, 2 * t);
        fillColumn(ctl::ArtistList3, 2 * t, n);
    }
    keyValueFile.close();
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
