// The mp3 mode's folder browser: the audio files of the chosen file's folder
// in LocalFilesList, each row with its own numbered icon, and the folder's
// album photo. app/next_track plays the rows.
#include "library/local_files.h"

#include <dirent.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "platform/gui/gui.h"
#include "platform/mci/cover_picture.h"
#include "platform/text/case_fold.h"
#include "platform/text/cp1251.h"
#include "state/app_state.h"
#include "state/texts.h"
#include "ui/ids.h"
#include "ui/layout.h"
#include "ui/register.h"

namespace {

constexpr const char* kRowIndent = "    ";
// Row k's icon is image kRowIconBase + k + 1: each row keeps its own copy.
constexpr int kRowIconBase = 10000;

// File names of the rows, as the folder gave them, so that playing a row
// does not depend on how the list shows its text.
std::vector<std::string> rowNames;

std::string folderPart(const std::string& path) {
    return path.substr(0, path.rfind('/') + 1);
}

std::string filePart(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// What the audio library plays (FFmpeg's decoders, the synthesiser for
// MIDI), by extension, without the dot and in lower case.
constexpr std::array<const char*, 13> kAudioExtensions = {"mp3",  "wav", "mid", "midi", "flac", "ogg", "oga",
                                                          "opus", "m4a", "aac", "wma",  "aif",  "aiff"};

std::string asciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The extension after the last dot, lower case; "" for a name without one.
std::string extensionOf(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : asciiLower(name.substr(dot + 1));
}

bool isAudioName(const std::string& name) {
    const std::string ext = extensionOf(name);
    return std::find(kAudioExtensions.begin(), kAudioExtensions.end(), ext) != kAudioExtensions.end();
}

// The folder's own picture, after "яяя.jpg": the first of these stems with
// one of these extensions, any case.
constexpr std::array<const char*, 3> kCoverStems = {"cover", "folder", "front"};
constexpr std::array<const char*, 3> kCoverExtensions = {"jpg", "jpeg", "png"};

std::string coverFileOf(const std::string& folder) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return {};
    std::string best;
    size_t bestRank = SIZE_MAX;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        const std::string lower = asciiLower(name);
        for (size_t s = 0; s < kCoverStems.size(); ++s)
            for (size_t e = 0; e < kCoverExtensions.size(); ++e) {
                const size_t rank = s * kCoverExtensions.size() + e;
                if (rank < bestRank && lower == std::string(kCoverStems[s]) + "." + kCoverExtensions[e]) {
                    best = name;
                    bestRank = rank;
                }
            }
    }
    ::closedir(dir);
    return best;
}

// The album's picture into AlbumPhotoImage: "яяя.jpg" of the folder, its
// cover file, or the picture the chosen file carries. False when none.
bool loadAlbumPicture() {
    const std::string& folder = appState.localFolder;
    if (gui::loadImageFile(img::AlbumPhotoImage, folder + "яяя.jpg")) return true;
    if (const std::string cover = coverFileOf(folder);
        !cover.empty() && gui::loadImageFile(img::AlbumPhotoImage, folder + cover))
        return true;
    // Only a file of the listed folder: the refresh before any choice looks
    // in the working directory, where the last chosen file is not.
    if (appState.chosenFile.empty() || folderPart(appState.chosenFile) != folder) return false;
    const std::vector<uint8_t> embedded = mci::coverPicture(appState.chosenFile);
    return !embedded.empty() && gui::loadImage(img::AlbumPhotoImage, embedded);
}

// NumberedIconImage for number r: the file icon stretched to 16 x 16 with
// the number in red on it, copied to the row's own image.
int drawRowIcon(int r) {
    gui::createImage(img::NumberedIconImage, 16, 16);
    if (gui::imageExists(img::FileIconImage))
        gui::drawImage(img::NumberedIconImage, img::FileIconImage, {0, 0, 16, 16});
    gui::drawText(img::NumberedIconImage, font::NumberFont, r < 10 ? 5 : 2, 2, {251, 1, 4},
                  std::to_string(r));
    gui::copyImage(kRowIconBase + r, img::NumberedIconImage);
    return kRowIconBase + r;
}

bool isDigit(char32_t c) {
    return c >= '0' && c <= '9';
}

// A name to sort by: its text in lower case, whatever the script.
struct SortedName {
    std::u32string key;
    std::string name;
};

// Name order as users know it from file managers: letters without regard to
// case, runs of digits by their value ("2 ..." before "10 ..."); names equal
// so are ordered by their bytes, so the order is total.
bool nameLess(const SortedName& x, const SortedName& y) {
    const std::u32string& a = x.key;
    const std::u32string& b = y.key;
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            size_t ei = i, ej = j;
            while (ei < a.size() && isDigit(a[ei])) ++ei;
            while (ej < b.size() && isDigit(b[ej])) ++ej;
            // Leading zeros do not count; then the longer run is the larger number.
            size_t zi = i, zj = j;
            while (zi + 1 < ei && a[zi] == '0') ++zi;
            while (zj + 1 < ej && b[zj] == '0') ++zj;
            if (ei - zi != ej - zj) return ei - zi < ej - zj;
            const int c = a.compare(zi, ei - zi, b, zj, ej - zj);
            if (c != 0) return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j]) return a[i] < b[j];
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) return j < b.size();
    return x.name < y.name;
}

}  // namespace

std::string withoutExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

namespace {

// The dialog's filters: the audio files it lists, then every file.
std::string audioFileFilter() {
    std::string patterns;
    for (const char* ext : kAudioExtensions) patterns += (patterns.empty() ? "*." : ";*.") + std::string(ext);
    return std::string(texts::kAudioFilesFilter) + "|" + patterns + "|" + texts::kAllFilesFilter + "|*.*";
}

}  // namespace

int listChosenFile() {
    appState.chosenFile = gui::openFileDialog(win::MainWindow, "", audioFileFilter(), appState.dialogFolder);
    // The next dialog opens where this one chose; a cancelled one changes nothing.
    if (!appState.chosenFile.empty()) appState.dialogFolder = folderPart(appState.chosenFile);
    listLocalFolder(appState.chosenFile);
    StripeList(ctl::LocalFilesList);
    const std::string name = filePart(appState.chosenFile);
    int found = -1;
    for (int i = 0; i <= 1000 && i < static_cast<int>(rowNames.size()); ++i) {
        if (rowNames[static_cast<size_t>(i)] == name) {
            found = i;
            break;
        }
    }
    if (found >= 0) gui::listSelectRow(ctl::LocalFilesList, found);
    refreshAlbum();
    return found;
}

std::string localFileName(int row) {
    if (row < 0 || row >= static_cast<int>(rowNames.size())) return {};
    return rowNames[static_cast<size_t>(row)];
}

void refreshAlbum() {
    appState.localFolder = folderPart(appState.chosenFile);
    loadAlbumPhoto();
}

void listLocalFolder(const std::string& path) {
    gui::loadImageFile(img::FileIconImage, "icon.png");
    appState.localFolder = folderPart(path);
    gui::listClear(ctl::LocalFilesList);
    for (size_t k = 1; k <= rowNames.size(); ++k) gui::deleteImage(kRowIconBase + static_cast<int>(k));
    rowNames.clear();

    DIR* folder = ::opendir(appState.localFolder.empty() ? "." : appState.localFolder.c_str());
    if (folder) {
        // Folders named like audio files are listed too.
        while (const dirent* entry = ::readdir(folder)) {
            const std::string name = entry->d_name;
            if (name == "." || name == ".." || !isAudioName(name)) continue;
            rowNames.push_back(name);
        }
        ::closedir(folder);
    }
    // The directory's own order is a hash order on most Linux file systems:
    // an album would play scrambled. Rows go in name order.
    std::vector<SortedName> sorted;
    sorted.reserve(rowNames.size());
    for (std::string& name : rowNames)
        sorted.push_back({text::caseFolded(text::utf8OrCp1251(name)), std::move(name)});
    std::sort(sorted.begin(), sorted.end(), nameLess);
    for (size_t k = 0; k < sorted.size(); ++k) rowNames[k] = std::move(sorted[k].name);
    for (size_t k = 0; k < rowNames.size(); ++k)
        // Shown decoded (a Windows-1251 name is not shown as "?"), played by its real bytes.
        gui::listAddRow(ctl::LocalFilesList, kRowIndent + text::utf8OrCp1251(rowNames[k]),
                        drawRowIcon(static_cast<int>(k + 1)));
    gui::listSelectRow(ctl::LocalFilesList, 0);
}

void loadAlbumPhoto() {
    if (!loadAlbumPicture()) {
        const bool placeholder = gui::loadImageFile(img::AlbumPlaceholderImage, "999.jpg");
        gui::setControlImage(ctl::AlbumPhoto, placeholder ? img::AlbumPlaceholderImage : 0);
        return;
    }
    // Letterboxed in the frame: a photo is never stretched out of its shape.
    gui::fitImage(img::AlbumPhotoImage, layout::kAlbumPhotoWidth, layout::kAlbumPhotoMaxHeight);
    gui::setControlImage(ctl::AlbumPhoto, img::AlbumPhotoImage);
}
