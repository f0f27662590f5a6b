// Saving tracks on the one worker thread.
//
// The UI thread (startDownload) takes a snapshot of what the worker may not
// read itself: which list was touched last, that list's selection and, for a
// single download, the selected result. A playlist download copies each
// entry from `playlistEntries` under `listsMutex` just before its file. The
// worker writes `recordingCaption` under that lock and flips the atomics
// `recordingActive` and `recordingImageWanted`. It never touches a widget: a UI-thread timer
// mirrors `recordingImageWanted` onto the RecordButton, and the message
// boxes are the toolkit's thread-safe ones, modal only to the worker.
//
// The worker is detached and holds no lock while it downloads or waits for
// a box, so the program can end at any moment without waiting for it.
#include "online/download.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

#include "online/save_folder.h"
#include "online/site_link.h"
#include "online/track_file_name.h"
#include "platform/gui/gui.h"
#include "platform/net/net.h"
#include "state/app_state.h"
#include "state/texts.h"
#include "ui/ids.h"

namespace {

constexpr int recordImageTimer = ctl::RecordButton;  // a timer id of MainWindow
constexpr auto pauseAfterPlaylistFile = std::chrono::milliseconds(100);

std::atomic<bool> workerRunning{false};
std::atomic<bool> recordingImageWanted{false};

enum class Source { None, SearchResults, Playlist };

struct Job {
    Source source = Source::None;
    int selectedResult = -1;        // row of SearchResultsList, -1 when none
    SearchResult result;            // that row's result, copied when the click came
    bool playlistSelected = false;  // PlaylistList has a selected row
};

// UI thread, on MainWindow's timer: the RecordButton follows the worker.
void mirrorRecordingImage() {
    int wanted = recordingImageWanted.load() ? img::RecordingImage : 0;
    if (gui::controlImage(ctl::RecordButton) != wanted) gui::setControlImage(ctl::RecordButton, wanted);
}

// One file: the link made absolute, the title made a safe file name in the
// save folder that no other file there has.
net::DownloadError saveTrack(const std::string& folder, const std::string& link, const std::string& title) {
    return net::downloadToFile(resolveSiteLink(link),
                               [&](int copy) { return folder + trackFileName(title, copy); })
        .error;
}

// The folder as the user knows it: the working directory by its full name.
std::string shownFolder(const std::string& folder) {
    if (!folder.empty()) return folder;
    std::error_code error;
    const std::string here = std::filesystem::current_path(error).string();
    return here.empty() || here.back() == '/' ? here : here + "/";
}

// The failure box's text: a full disk and a folder that may not be written
// are told apart, and a save folder that cannot be made is named, so that
// the user knows what to mend.
std::string failureText(bool diskFull, bool readOnly, bool folderReady, const std::string& folder) {
    std::string text = texts::kDownloadFailed;
    if (diskFull) text = text + "\n" + texts::kDiskFull;
    if (readOnly && folderReady) text = text + "\n" + texts::kSaveFolderReadOnly + "\n" + shownFolder(folder);
    if (!folderReady) text = text + "\n" + texts::kSaveFolderNotMade + "\n" + folder;
    return text;
}

void saveSearchResult(int index, const SearchResult& result) {
    appState.currentIndex = index;
    {
        std::lock_guard lock(appState.listsMutex);
        appState.recordingCaption = std::to_string(index) + ".   " + result.title;
    }
    recordingImageWanted = true;
    appState.recordingActive = 1;
    std::string folder;
    const bool folderReady = prepareSaveFolder(folder);
    const net::DownloadError error =
        folderReady ? saveTrack(folder, result.link, result.title) : net::DownloadError::File;
    if (error == net::DownloadError::None)
        gui::messageBox(win::MainWindow, "", texts::kDownloadDone, gui::Icon::Information);
    else
        gui::messageBox(win::MainWindow, "",
                        failureText(error == net::DownloadError::DiskFull,
                                    error == net::DownloadError::ReadOnly, folderReady, folder),
                        gui::Icon::Error);
    recordingImageWanted = false;
    net::removeCacheEntry(result.link);
    appState.recordingActive = 0;
}

void savePlaylistFiles() {
    int failed = 0;
    int files = 0;
    bool diskFull = false;
    bool readOnly = false;
    std::string folder;
    const bool folderReady = prepareSaveFolder(folder);
    for (size_t k = 0;; ++k) {
        StationEntry entry;
        {
            std::lock_guard lock(appState.listsMutex);
            if (k >= appState.playlistEntries.size()) break;
            entry = appState.playlistEntries[k];
            appState.recordingCaption = std::to_string(k) + ".   " + entry.title;
        }
        recordingImageWanted = true;
        appState.recordingActive = 1;
        // An endless radio stream is refused after its headers and counts as failed.
        const net::DownloadError error =
            folderReady ? saveTrack(folder, entry.file, entry.title) : net::DownloadError::File;
        if (error != net::DownloadError::None) ++failed;
        diskFull = diskFull || error == net::DownloadError::DiskFull;
        readOnly = readOnly || error == net::DownloadError::ReadOnly;
        ++files;
        recordingImageWanted = false;
        net::removeCacheEntry(entry.file);
        std::this_thread::sleep_for(pauseAfterPlaylistFile);
        appState.recordingActive = 0;
    }
    if (failed == 0)
        gui::messageBox(win::MainWindow, "", texts::kDownloadDone, gui::Icon::Information);
    else
        gui::messageBox(win::MainWindow, "",
                        failureText(diskFull, readOnly, folderReady, folder) + "\n" + texts::kFilesNotSaved +
                            std::to_string(failed) + texts::kOutOf + std::to_string(files),
                        gui::Icon::Error);
}

void downloadWorker(Job job) {
    if (job.source == Source::SearchResults && job.selectedResult >= 0)
        saveSearchResult(job.selectedResult, job.result);
    if (job.source == Source::Playlist && job.playlistSelected) savePlaylistFiles();
    workerRunning = false;
}

}  // namespace

void startDownload() {
    if (workerRunning) {
        gui::messageBox(win::MainWindow, "", texts::kDownloadBusy, gui::Icon::Warning);
        return;
    }
    Job job;
    if (appState.downloadSource.searchResults)
        job.source = Source::SearchResults;
    else if (appState.downloadSource.playlist)
        job.source = Source::Playlist;
    job.selectedResult = gui::listSelectedRow(ctl::SearchResultsList);
    {
        // A search may replace the results at any moment after this click;
        // the single download keeps the one it was asked for.
        std::lock_guard lock(appState.listsMutex);
        if (job.selectedResult >= static_cast<int>(appState.searchResults.size())) job.selectedResult = -1;
        if (job.selectedResult >= 0) job.result = appState.searchResults[job.selectedResult];
    }
    job.playlistSelected = gui::listSelectedRow(ctl::PlaylistList) >= 0;

    gui::startTimer(win::MainWindow, recordImageTimer, 35, mirrorRecordingImage);
    workerRunning = true;
    std::thread(downloadWorker, job).detach();
}

bool downloadRunning() {
    return workerRunning;
}

void abandonDownload() {
    net::abandonDownloads();
}
