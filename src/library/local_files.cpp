// The mp3 mode's folder browser: the audio files of the chosen file's folder
// in LocalFilesList, each row with its own numbered icon, playing a row,
// and the folder's album photo.
#include "library/local_files.h"

#include <dirent.h>

#include <algorithm>
#include <vector>

#include "app/app_state.h"
#include "audio/playback.h"
#include "audio/track_length.h"
#include "platform/gui/gui.h"
#include "ui/ids.h"
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

bool isAudioName(const std::string& name) {
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext == ".wav" || ext == ".mp3" || ext == ".mid";
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

std::string twoDigits(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

}  // namespace

void openLocalFile() {
    appState.chosenFile = gui::openFileDialog(win::MainWindow, "", "*.*|*.*");
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
    if (found >= 0) {
        gui::listSelectRow(ctl::LocalFilesList, found);
        playLocalFile();
    } else {
        // Nothing starts here; the advance starts row 0 once nothing plays.
        appState.currentIndex = -1;
    }
    appState.advanceLocalFiles = 1;
    refreshAlbum();
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
        // File-system order, folders named like audio files included.
        while (const dirent* entry = ::readdir(folder)) {
            const std::string name = entry->d_name;
            if (name == "." || name == ".." || !isAudioName(name)) continue;
            rowNames.push_back(name);
            gui::listAddRow(ctl::LocalFilesList, kRowIndent + name,
                            drawRowIcon(static_cast<int>(rowNames.size())));
        }
        ::closedir(folder);
    }
    gui::listSelectRow(ctl::LocalFilesList, 0);
}

void playLocalFile() {
    const int row = gui::listSelectedRow(ctl::LocalFilesList);
    if (row < 0 || row >= static_cast<int>(rowNames.size())) return;
    appState.currentIndex = row;
    const std::string rowText = gui::listRowText(ctl::LocalFilesList, row);
    const std::string& name = rowNames[static_cast<size_t>(row)];
    const std::string base = name.substr(0, name.size() - 4);
    gui::setText(ctl::SearchField, base);
    appState.currentTitle = base;
    appState.playingTitle = base;
    startStream(appState.localFolder + name);
    appState.advanceResults = 0;
    appState.advancePlaylist = 0;
    probeTrackLength(1, appState.localFolder + name);
    const int seconds = appState.trackLengthSeconds;
    // Hours are not shown: minutes count modulo 60.
    appState.nowPlayingText = std::to_string(row + 1) + "    " + rowText + "     " +
                              std::to_string((seconds / 60) % 60) + ":" + twoDigits(seconds % 60);
}

void loadAlbumPhoto() {
    if (!gui::loadImageFile(img::AlbumPhotoImage, appState.localFolder + "яяя.jpg")) {
        const bool placeholder = gui::loadImageFile(img::AlbumPlaceholderImage, "999.jpg");
        gui::setControlImage(ctl::AlbumPhoto, placeholder ? img::AlbumPlaceholderImage : 0);
        return;
    }
    const gui::Rect size = gui::imageSize(img::AlbumPhotoImage);
    if (size.w <= 0 || size.h <= 0) return;
    const long long h270 = static_cast<long long>(size.h) * 270 / size.w;
    // At most 210 high; a very wide picture still keeps one line.
    gui::scaleImage(img::AlbumPhotoImage, 270, h270 >= 210 ? 210 : std::max(1, static_cast<int>(h270)));
    gui::setControlImage(ctl::AlbumPhoto, img::AlbumPhotoImage);
}
