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

// The 14 bound entry points of the audio library, in binding order.
struct AudioFunctions {
    decltype(&FMOD_System_CreateStream) FMOD_System_CreateStream = nullptr;
    decltype(&FMOD_System_PlaySound) FMOD_System_PlaySound = nullptr;
    decltype(&FMOD_Channel_SetVolume) FMOD_Channel_SetVolume = nullptr;
    decltype(&FMOD_Channel_GetVolume) FMOD_Channel_GetVolume = nullptr;
    decltype(&FMOD_System_Create) FMOD_System_Create = nullptr;
    decltype(&FMOD_System_Init) FMOD_System_Init = nullptr;
    decltype(&FMOD_Channel_GetSpectrum) FMOD_Channel_GetSpectrum = nullptr;
    decltype(&FMOD_Channel_GetPosition) FMOD_Channel_GetPosition = nullptr;
    decltype(&FMOD_Channel_SetPosition) FMOD_Channel_SetPosition = nullptr;
    decltype(&FMOD_Channel_IsPlaying) FMOD_Channel_IsPlaying = nullptr;
    decltype(&FMOD_Channel_SetPaused) FMOD_Channel_SetPaused = nullptr;
    decltype(&FMOD_Sound_Release) FMOD_Sound_Release = nullptr;
    decltype(&FMOD_System_Close) FMOD_System_Close = nullptr;
    decltype(&FMOD_System_Release) FMOD_System_Release = nullptr;
};

// Which list the record button saves from.
struct DownloadSource {
    int32_t searchResults = 0;
    int32_t playlist = 0;
};

struct AppState {
    MappedModule* audioModule = nullptr;
    AudioFunctions audio;  // the spec's `AudioFunctions`
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
    std::string recordingCaption;            // guarded by listsMutex
    std::atomic<int32_t> recordingActive{0};  // written by the download worker
    int32_t radioMode = 0;
    int32_t mp3Mode = 0;
    std::string currentStyle;
    int32_t searchMade = 0;
    int32_t advanceLocalFiles = 0;
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
    std::vector<SearchResult> searchResults;    // guarded by listsMutex for writes
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
