// The playlist: the "Плейлист" group of "inet_radio.pls" shown in
// PlaylistList, and the automatic advance to the next item when playback
// stops. Entry k of `playlistEntries` and row k of PlaylistList always
// belong together; the download worker copies the entries under
// `listsMutex`, so every change of the vector is made under it.
#include "library/playlist.h"

#include <mutex>

#include "audio/playback.h"
#include "library/key_value_file.h"
#include "library/local_files.h"
#include "library/station_file.h"
#include "platform/gui/gui.h"
#include "platform/text/cp1251.h"
#include "ui/ids.h"
#include "ui/register.h"

namespace {

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
    if (!keyValueFile.open(kStationFile)) {
        keyValueFile.close();
        return;
    }
    keyValueFile.selectGroup(fileGroup("Плейлист"));
    std::vector<StationEntry> entries;
    for (int n = 0;; ++n) {
        const std::string file = keyValueFile.readValue(fileKey(n), "");
        if (file.empty()) break;
        entries.push_back(
            {text::fromCp1251(file), text::fromCp1251(keyValueFile.readValue(titleKey(n), ""))});
    }
    keyValueFile.close();
    for (const StationEntry& entry : entries) addRow(entry);
    StripeList(ctl::PlaylistList);
    std::lock_guard lock(appState.listsMutex);
    appState.playlistEntries = std::move(entries);
}

void appendPlaylistEntry(const StationEntry& entry) {
    {
        std::lock_guard lock(appState.listsMutex);
        appState.playlistEntries.push_back(entry);
    }
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
}

void playPlaylistEntry() {
    const int row = gui::listSelectedRow(ctl::PlaylistList);
    if (row < 0 || row >= static_cast<int>(appState.playlistEntries.size())) return;
    appState.playlistIndex = row;
    appState.nowPlayingText = gui::listRowText(ctl::PlaylistList, row);
    const std::string file = appState.playlistEntries[static_cast<size_t>(row)].file;
    appState.playingTitle = appState.playlistEntries[static_cast<size_t>(row)].title;
    startStream(file);
    appState.advanceResults = 0;
    appState.advancePlaylist = 1;
}

void openPlaylistEditor() {
    if (gui::listRowCount(ctl::PlaylistList) == 0) return;
    buildPlaylistEditWindow();
}

void savePlaylist() {
    // The file is never created here: without it there is nothing to save into.
    if (!keyValueFile.open(kStationFile)) {
        keyValueFile.close();
        return;
    }
    const std::string group = fileGroup("Плейлист");
    keyValueFile.removeGroup(group);
    keyValueFile.selectGroup(group);
    std::vector<StationEntry> entries;
    {
        std::lock_guard lock(appState.listsMutex);
        entries = appState.playlistEntries;
    }
    const int rows = gui::listRowCount(ctl::PlaylistList);
    for (int i = 0; i < rows && i < static_cast<int>(entries.size()); ++i) {
        keyValueFile.writeValue(fileKey(i), text::toCp1251(entries[static_cast<size_t>(i)].file));
        keyValueFile.writeValue(titleKey(i), text::toCp1251(entries[static_cast<size_t>(i)].title));
    }
    // Success is announced only when the playlist really reached the disk.
    if (keyValueFile.close())
        gui::messageBox(win::PlaylistEditWindow, "", "Запись создана !", gui::Icon::Information);
    else
        gui::messageBox(win::PlaylistEditWindow, "Внимание !",
                        "Плейлист не сохранён: файл inet_radio.pls недоступен для записи.",
                        gui::Icon::Warning);
}

void advanceAfterStop() {
    if (appState.channelPlaying) return;
    if (appState.advanceResults) {
        // The index moves on every pass, so past the last row the list stays quiet.
        const int next = ++appState.currentIndex;
        if (next < 99 && next < gui::listRowCount(ctl::SearchResultsList)) {
            gui::listSelectRow(ctl::SearchResultsList, next);
            playSearchResult();
        }
    } else if (appState.advancePlaylist) {
        const int next = ++appState.playlistIndex;
        if (next < 99 && next < gui::listRowCount(ctl::PlaylistList)) {
            gui::listSelectRow(ctl::PlaylistList, next);
            playPlaylistEntry();
        }
    } else if (appState.advanceLocalFiles) {
        const int next = ++appState.currentIndex;
        const int rows = gui::listRowCount(ctl::LocalFilesList);
        if (next >= 0 && next < rows) {
            gui::listSelectRow(ctl::LocalFilesList, next);
            playLocalFile();
        } else if (rows > 0) {
            gui::listSelectRow(ctl::LocalFilesList, 0);
            playLocalFile();
        }
    }
}
