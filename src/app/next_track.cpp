// What plays next. The lists hold entries, playback holds the channel; this
// room alone decides which entry starts, and what follows when one stops.
#include "app/next_track.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "audio/playback.h"
#include "audio/track_length.h"
#include "library/local_files.h"
#include "online/site_link.h"
#include "platform/gui/gui.h"
#include "platform/text/cp1251.h"
#include "state/app_state.h"
#include "state/texts.h"
#include "ui/ids.h"

namespace {

// The advance goes on up to row 98 only.
constexpr int kResultRowLimit = 99;

// What the status strip names when the entry started last cannot be played.
std::string startedName;
// Playlist entries the advance passed over since one was last heard: the
// strip goes on naming them beside the entry that followed.
std::vector<std::string> unplayableEntries;

// Starts an address and marks it unheard until the channel plays some of it.
// The advance then moves on in the list that started it; a station hands
// over to the playlist.
void start(const std::string& address, PlayingList list, const std::string& name) {
    startedName = name;
    appState.statusNotice.clear();
    appState.playingTitle = name;
    appState.playingList = static_cast<int32_t>(list);
    appState.streamUnheard = 1;
    // The last track's position would count as this one heard, should the
    // library not answer for a channel that is still opening.
    appState.positionMs = 0;
    startStream(address);
    appState.advanceResults = list == PlayingList::SearchResults;
    appState.advancePlaylist = list == PlayingList::Playlist || list == PlayingList::Stations;
    appState.advanceLocalFiles = list == PlayingList::LocalFiles;
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) out += (out.empty() ? "" : ", ") + name;
    return out;
}

std::string twoDigits(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

// A stream that stopped without ever playing: the display is reset, so that
// the time and the bands do not freeze on the last track's values, and the
// status strip says so. No message box: a dead station is common, and an
// advance through several dead entries would stack boxes.
void reportUnplayable() {
    appState.positionMs = 0;
    appState.spectrum.fill(0.0f);
    appState.trackLengthSeconds = 0;
    const bool station = appState.playingList == static_cast<int32_t>(PlayingList::Stations);
    if (appState.playingList == static_cast<int32_t>(PlayingList::Playlist))
        unplayableEntries.push_back(startedName);
    appState.nowPlayingText = (station ? texts::kStationSilent : texts::kNotPlayable) + startedName;
    // A station that never answered does not hand over to the playlist:
    // the message would be gone before it could be read.
    if (station) appState.advancePlaylist = 0;
}

// The row text of the local file started last.
std::string localRowText;

// The status strip for the local file started last: its number, row and length.
void showLocalFile() {
    const int seconds = appState.trackLengthSeconds;
    // Minutes go on past the hour, as in the time display.
    appState.nowPlayingText = std::to_string(appState.localFilesIndex + 1) + "    " + localRowText + "     " +
                              std::to_string(seconds / 60) + ":" + twoDigits(seconds % 60);
}

void playResultRow(int row) {
    gui::listSelectRow(ctl::SearchResultsList, row);
    playSearchResult();
}

void playPlaylistRow(int row) {
    gui::listSelectRow(ctl::PlaylistList, row);
    playPlaylistEntry();
}

void playLocalRow(int row) {
    gui::listSelectRow(ctl::LocalFilesList, row);
    playLocalFile();
}

void playStationRow(int row) {
    gui::listSelectRow(ctl::StationList, row);
    playStation();
}

// Row `from + step` of the list, when the list has it (local files wrap round).
void step(PlayingList list, int delta) {
    switch (list) {
        case PlayingList::SearchResults: {
            const int row = appState.currentIndex + delta;
            const int rows = std::min(kResultRowLimit, gui::listRowCount(ctl::SearchResultsList));
            if (row >= 0 && row < rows) playResultRow(row);
            break;
        }
        case PlayingList::Playlist: {
            const int row = appState.playlistIndex + delta;
            if (row >= 0 && row < gui::listRowCount(ctl::PlaylistList)) playPlaylistRow(row);
            break;
        }
        case PlayingList::LocalFiles: {
            const int rows = gui::listRowCount(ctl::LocalFilesList);
            if (rows > 0) playLocalRow(((appState.localFilesIndex + delta) % rows + rows) % rows);
            break;
        }
        case PlayingList::Stations: {
            const int row = appState.stationIndex + delta;
            if (row >= 0 && row < gui::listRowCount(ctl::StationList)) playStationRow(row);
            break;
        }
        case PlayingList::None:
            break;
    }
}

void stepOrStart(int delta) {
    const auto list = static_cast<PlayingList>(appState.playingList);
    if (list != PlayingList::None) {
        step(list, delta);
        return;
    }
    // Nothing played yet: the selected (or first) row of the list in view.
    const int control = appState.mp3Mode     ? ctl::LocalFilesList
                        : appState.radioMode ? ctl::StationList
                                             : ctl::SearchResultsList;
    if (gui::listRowCount(control) == 0) return;
    const int row = std::max(0, gui::listSelectedRow(control));
    if (control == ctl::LocalFilesList)
        playLocalRow(row);
    else if (control == ctl::StationList)
        playStationRow(row);
    else
        playResultRow(row);
}

}  // namespace

void playSearchResult() {
    const int row = gui::listSelectedRow(ctl::SearchResultsList);
    if (row < 0) return;
    std::string link, title;
    {
        std::lock_guard lock(appState.listsMutex);
        if (static_cast<size_t>(row) >= appState.searchResults.size()) return;
        link = appState.searchResults[row].link;
        title = appState.searchResults[row].title;
    }
    appState.currentIndex = row;
    appState.nowPlayingText = gui::listRowText(ctl::SearchResultsList, row);
    appState.currentTitle = title;
    start(resolveSiteLink(link), PlayingList::SearchResults, title);
}

void playPlaylistEntry() {
    const int row = gui::listSelectedRow(ctl::PlaylistList);
    if (row < 0 || row >= static_cast<int>(appState.playlistEntries.size())) return;
    appState.playlistIndex = row;
    appState.nowPlayingText = gui::listRowText(ctl::PlaylistList, row);
    const StationEntry entry = appState.playlistEntries[static_cast<size_t>(row)];
    start(entry.file, PlayingList::Playlist, entry.title.empty() ? entry.file : entry.title);
}

void playStation() {
    const int row = gui::listSelectedRow(ctl::StationList);
    if (row < 0 || row >= static_cast<int>(appState.stationEntries.size())) return;
    appState.stationIndex = row;
    const StationEntry entry = appState.stationEntries[static_cast<size_t>(row)];
    const std::string rowText = gui::listRowText(ctl::StationList, row);
    start(entry.file, PlayingList::Stations, rowText.empty() ? entry.file : rowText);
    appState.nowPlayingText = texts::kStationStyle + appState.currentStyle + texts::kStationName + rowText;
}

void playLocalFile() {
    const int row = gui::listSelectedRow(ctl::LocalFilesList);
    const std::string name = localFileName(row);
    if (name.empty()) return;
    appState.localFilesIndex = row;
    const std::string rowText = gui::listRowText(ctl::LocalFilesList, row);
    const std::string base = text::utf8OrCp1251(withoutExtension(name));
    gui::setText(ctl::SearchField, base);
    appState.currentTitle = base;
    // Asked before the start: a FIFO, a socket or a device is not handed to
    // the sound library, whose open would wait on it.
    if (!probeTrackLength(1, appState.localFolder + name)) {
        appState.statusNotice.clear();
        appState.nowPlayingText = texts::kNotPlayable + base + texts::kNotAFile;
        // Chosen or reached by the advance, nothing plays after it.
        appState.playingList = static_cast<int32_t>(PlayingList::LocalFiles);
        appState.streamUnheard = 0;
        appState.advanceResults = appState.advancePlaylist = appState.advanceLocalFiles = 0;
        return;
    }
    start(appState.localFolder + name, PlayingList::LocalFiles, base);
    localRowText = rowText;
    showLocalFile();
}

void openLocalFile() {
    const int found = listChosenFile();
    appState.advanceLocalFiles = 1;
    if (found >= 0) {
        playLocalRow(found);
    } else {
        // Nothing starts here; the advance starts row 0 once nothing plays.
        appState.localFilesIndex = -1;
    }
}

void advanceAfterStop() {
    // A length that took its time is shown once it is known.
    if (lateTrackLength() && appState.playingList == static_cast<int32_t>(PlayingList::LocalFiles))
        showLocalFile();
    if (appState.channelPlaying) {
        // Heard once the position moves: a library may answer "playing"
        // while it is still opening a stream that then fails.
        if (appState.positionMs > 0 && appState.streamUnheard) {
            appState.streamUnheard = 0;
            unplayableEntries.clear();
        }
        return;
    }
    if (appState.streamUnheard) {
        appState.streamUnheard = 0;
        reportUnplayable();
    }
    if (appState.advanceResults) {
        const int next = appState.currentIndex + 1;
        if (next < kResultRowLimit && next < gui::listRowCount(ctl::SearchResultsList)) {
            playResultRow(next);
        } else {
            // Out of rows: nothing starts again until the user plays. The row
            // moves with "+" and Record, which must not restart the list.
            appState.advanceResults = 0;
        }
    } else if (appState.advancePlaylist) {
        const int next = appState.playlistIndex + 1;
        if (next < kResultRowLimit && next < gui::listRowCount(ctl::PlaylistList)) {
            playPlaylistRow(next);
            // The entries passed over stay named while the next one plays.
            if (!unplayableEntries.empty())
                appState.nowPlayingText += texts::kPassedOver + joined(unplayableEntries) + ")";
        } else {
            if (unplayableEntries.size() > 1)
                appState.nowPlayingText = texts::kNotPlayable + joined(unplayableEntries);
            unplayableEntries.clear();
            appState.advancePlaylist = 0;
        }
    } else if (appState.advanceLocalFiles) {
        const int rows = gui::listRowCount(ctl::LocalFilesList);
        if (rows == 0) return;
        const int next = appState.localFilesIndex + 1;
        playLocalRow(next >= 0 && next < rows ? next : 0);
    }
}

void playPrevious() {
    stepOrStart(-1);
}

void playNext() {
    stepOrStart(1);
}
