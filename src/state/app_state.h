// AppState: the one process-wide record of shared state. Every subsystem
// reads and writes its fields directly; the field names are the ones the
// rest of the program uses. Strings are UTF-8.
//
// Threads: everything here belongs to the UI thread, except what the
// download worker touches. The worker reads copies of `searchResults` and
// `playlistEntries` taken under `listsMutex`, and writes `recordingCaption`
// under it; `recordingActive` and `currentIndex` are atomics because the
// worker writes them and the 35 ms refresh reads them without a lock.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "kestrel_audio.h"

struct MappedModule;

// One playable entry: a stream address or a local path, and its row text.
struct StationEntry {
    std::string file;
    std::string title;
};

// One scraped search result.
struct SearchResult {
    std::string link;     // href as scraped (may be relative)
    std::string display;  // the row's text after its label
    std::string title;    // anchor text: file name of a saved track, start query of the video view
};

// Pointer types of the 14 functions, named so that the fields may reuse the names.
using FMOD_System_CreateStream_fn = decltype(&::FMOD_System_CreateStream);
using FMOD_System_PlaySound_fn = decltype(&::FMOD_System_PlaySound);
using FMOD_Channel_SetVolume_fn = decltype(&::FMOD_Channel_SetVolume);
using FMOD_Channel_GetVolume_fn = decltype(&::FMOD_Channel_GetVolume);
using FMOD_System_Create_fn = decltype(&::FMOD_System_Create);
using FMOD_System_Init_fn = decltype(&::FMOD_System_Init);
using FMOD_Channel_GetSpectrum_fn = decltype(&::FMOD_Channel_GetSpectrum);
using FMOD_Channel_GetPosition_fn = decltype(&::FMOD_Channel_GetPosition);
using FMOD_Channel_SetPosition_fn = decltype(&::FMOD_Channel_SetPosition);
using FMOD_Channel_IsPlaying_fn = decltype(&::FMOD_Channel_IsPlaying);
using FMOD_Channel_SetPaused_fn = decltype(&::FMOD_Channel_SetPaused);
using FMOD_Sound_Release_fn = decltype(&::FMOD_Sound_Release);
using FMOD_System_Close_fn = decltype(&::FMOD_System_Close);
using FMOD_System_Release_fn = decltype(&::FMOD_System_Release);
using KESTREL_Channel_GetTitle_fn = decltype(&::KESTREL_Channel_GetTitle);

// The 14 bound entry points of the audio library, in binding order.
struct AudioFunctions {
    FMOD_System_CreateStream_fn FMOD_System_CreateStream = nullptr;
    FMOD_System_PlaySound_fn FMOD_System_PlaySound = nullptr;
    FMOD_Channel_SetVolume_fn FMOD_Channel_SetVolume = nullptr;
    FMOD_Channel_GetVolume_fn FMOD_Channel_GetVolume = nullptr;
    FMOD_System_Create_fn FMOD_System_Create = nullptr;
    FMOD_System_Init_fn FMOD_System_Init = nullptr;
    FMOD_Channel_GetSpectrum_fn FMOD_Channel_GetSpectrum = nullptr;
    FMOD_Channel_GetPosition_fn FMOD_Channel_GetPosition = nullptr;
    FMOD_Channel_SetPosition_fn FMOD_Channel_SetPosition = nullptr;
    FMOD_Channel_IsPlaying_fn FMOD_Channel_IsPlaying = nullptr;
    FMOD_Channel_SetPaused_fn FMOD_Channel_SetPaused = nullptr;
    FMOD_Sound_Release_fn FMOD_Sound_Release = nullptr;
    FMOD_System_Close_fn FMOD_System_Close = nullptr;
    FMOD_System_Release_fn FMOD_System_Release = nullptr;
    // Our library's own export, bound if present: a library without it
    // still plays, only without now-playing titles.
    KESTREL_Channel_GetTitle_fn KESTREL_Channel_GetTitle = nullptr;
};

// Which list the record button saves from.
struct DownloadSource {
    int32_t searchResults = 0;
    int32_t playlist = 0;
};

struct AppState {
    MappedModule* audioModule = nullptr;
    AudioFunctions audio;  // the bound entry points
    int32_t trackLengthSeconds = 0;
    std::string currentTitle;
    FMOD_SYSTEM* audioSystem = nullptr;
    FMOD_CHANNEL* audioChannel = nullptr;
    FMOD_SOUND* audioSound = nullptr;
    int32_t advanceResults = 0;
    int32_t volumeFill = 0;
    float volume = 0.0f;
    int32_t playlistIndex = 0;
    std::atomic<int32_t> currentIndex{0};  // written by the download worker too
    uint32_t positionMs = 0;
    int32_t advancePlaylist = 0;
    DownloadSource downloadSource;
    std::string localFolder;
    std::string nowPlayingText;
    // What the status strip says in place of what plays: a search that
    // failed or found nothing. Cleared by the next search and the next play.
    std::string statusNotice;
    // For the desktop's media controls: the playing row's title (track,
    // station, file).
    std::string playingTitle;
    std::string nowPlayingTitle;              // the radio station's current title (UTF-8), "" when none
    std::string recordingCaption;             // guarded by listsMutex
    std::atomic<int32_t> recordingActive{0};  // written by the download worker
    int32_t radioMode = 0;
    int32_t mp3Mode = 0;
    std::string currentStyle;
    int32_t searchMade = 0;
    int32_t advanceLocalFiles = 0;
    // What plays next (app/next_track): each list's own row to continue
    // from, the list started last, and whether its stream was never heard.
    int32_t localFilesIndex = 0;
    int32_t stationIndex = 0;
    int32_t playingList = 0;  // PlayingList
    int32_t streamUnheard = 0;
    int addIcon = 0;       // image number of AddIconImage
    int playlistIcon = 0;  // image number of PlaylistIconImage
    int32_t event = 0;
    int32_t eventWindow = 0;
    int32_t eventControl = 0;
    int32_t eventType = 0;  // gui::ControlEventType of a control event
    int32_t mouseX = 0;
    int32_t mouseY = 0;
    int32_t videoWindowOpen = 0;
    int32_t channelPlaying = 0;
    int32_t compactMode = 0;
    std::string lastQuery;
    int32_t pauseOn = 0;
    int32_t downloadThread = 0;  // 1 while a worker has been started and not yet ended
    int32_t muteOn = 0;
    std::string chosenFile;
    int32_t cursorHover = 0;
    int32_t pointerOverVolume = 0;
    int32_t closeHover = 0;
    int32_t radioHover = 0;
    int32_t playHover = 0;
    int32_t mp3Hover = 0;
    int32_t openFolderHover = 0;
    std::array<float, 514> spectrum{};
    std::vector<SearchResult> searchResults;  // guarded by listsMutex for writes
    std::vector<StationEntry> stationEntries;
    std::vector<StationEntry> playlistEntries;  // guarded by listsMutex for writes
    std::mutex listsMutex;
};

inline AppState appState;

// Start-up step 1: every field back to zero (also used by tests).
inline void resetAppState() {
    appState.~AppState();
    new (&appState) AppState();
}
