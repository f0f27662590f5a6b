// The playlist: the "Плейлист" group of "inet_radio.pls" shown in
// PlaylistList. Entry k of `playlistEntries` and row k of PlaylistList always
// belong together; the download worker copies the entries under
// `listsMutex`, so every change of the vector is made under it.
#include "library/playlist.h"

#include <cerrno>
#include <mutex>

#include "library/key_value_file.h"
#include "library/station_file.h"
#include "platform/gui/gui.h"
#include "state/texts.h"
#include "ui/ids.h"
#include "ui/register.h"

namespace {

constexpr const char* kPlaylistGroup = "Плейлист";

// Entries were added or deleted since the playlist was loaded or stored.
bool changedSinceStored = false;

void addRow(const StationEntry& entry) {
    gui::listAddRow(ctl::PlaylistList, entry.title, img::PlaylistIconImage);
}

}  // namespace

void loadPlaylist() {
    {
        std::lock_guard lock(appState.listsMutex);
        appState.playlistEntries.clear();
    }
    gui::listClear(ctl::PlaylistList);
    changedSinceStored = false;
    if (!keyValueFile.open(kStationFile)) {
        keyValueFile.close();
        return;
    }
    keyValueFile.selectGroupText(kPlaylistGroup);
    std::vector<StationEntry> entries;
    for (int n = 0;; ++n) {
        std::string file = keyValueFile.readText(fileKey(n));
        if (file.empty()) break;
        entries.push_back({std::move(file), keyValueFile.readText(titleKey(n))});
    }
    keyValueFile.close();
    for (const StationEntry& entry : entries) addRow(entry);
    StripeList(ctl::PlaylistList);
    std::lock_guard lock(appState.listsMutex);
    appState.playlistEntries = std::move(entries);
}

void appendPlaylistEntry(const StationEntry& entry) {
    // An entry with no address would be saved as an empty File key, where
    // the next load stops: every entry after it would be lost.
    if (entry.file.find_first_not_of(" \t") == std::string::npos) return;
    {
        std::lock_guard lock(appState.listsMutex);
        appState.playlistEntries.push_back(entry);
    }
    changedSinceStored = true;
    addRow(entry);
    gui::listSetTextColour(ctl::PlaylistList, {165, 165, 165});
}

void deletePlaylistEntry() {
    const int row = gui::listSelectedRow(ctl::PlaylistList);
    if (row < 0) return;
    {
        std::lock_guard lock(appState.listsMutex);
        if (row < static_cast<int>(appState.playlistEntries.size()))
            appState.playlistEntries.erase(appState.playlistEntries.begin() + row);
    }
    gui::listRemoveRow(ctl::PlaylistList, row);
    changedSinceStored = true;
    StripeList(ctl::PlaylistList);  // the rows below moved up: their bands change
}

void openPlaylistEditor() {
    if (gui::listRowCount(ctl::PlaylistList) == 0) return;
    buildPlaylistEditWindow();
}

namespace {

// Rebuilds the group at the end of the file, atomically. A missing file is
// created: the playlist must not be lost. A file that exists but cannot be
// read is never written over. False when nothing was stored (errno says why).
bool storePlaylist() {
    keyValueFile.open(kStationFile);
    keyValueFile.removeGroupText(kPlaylistGroup);
    keyValueFile.selectGroupText(kPlaylistGroup);
    std::vector<StationEntry> entries;
    {
        std::lock_guard lock(appState.listsMutex);
        entries = appState.playlistEntries;
    }
    const int rows = gui::listRowCount(ctl::PlaylistList);
    for (int i = 0; i < rows && i < static_cast<int>(entries.size()); ++i) {
        keyValueFile.writeText(fileKey(i), entries[static_cast<size_t>(i)].file);
        keyValueFile.writeText(titleKey(i), entries[static_cast<size_t>(i)].title);
    }
    if (!keyValueFile.close()) return false;
    changedSinceStored = false;
    return true;
}

}  // namespace

void savePlaylist() {
    // Success is announced only when the playlist really reached the disk.
    if (storePlaylist())
        gui::messageBox(win::PlaylistEditWindow, "", texts::kPlaylistSaved, gui::Icon::Information);
    else if (errno == ENOSPC || errno == EDQUOT)
        gui::messageBox(win::PlaylistEditWindow, texts::kWarningCaption, texts::kPlaylistDiskFull,
                        gui::Icon::Warning);
    else
        gui::messageBox(win::PlaylistEditWindow, texts::kWarningCaption, texts::kPlaylistReadOnly,
                        gui::Icon::Warning);
}

bool savePlaylistIfChanged() {
    return !changedSinceStored || storePlaylist();
}
