// AppState: the one process-wide record of shared state. Every room reads
// and writes its fields directly, under the names the rest of the program
// uses; strings are UTF-8. The fields are grouped in small records by the
// room that writes them, and AppState is all of those records at once, so
// that a field is still spelled `appState.volume`.
//
// Threads. The UI thread reads every field and writes all but two. The
// download worker (online/download; at most one runs) writes those two,
// `recordingActive`, an atomic the UI thread reads without a lock, and
// `recordingCaption`, under `listsMutex`; it also writes the atomic
// `currentIndex`. Of the rest it reads only `playlistEntries`, copying one
// entry at a time under `listsMutex`. The threads of the audio library and of the length probe
// never see AppState.
//
// Locks. `listsMutex` is the only lock here. The UI thread holds it while
// it changes `searchResults` or `playlistEntries` and while it reads
// `recordingCaption`; the worker while it copies an entry and writes the
// caption. It is held for those copies only, never across a download, a
// message box, a toolkit call or another lock, so it is always the last
// lock taken.
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
using KESTREL_System_GetOutput_fn = decltype(&::KESTREL_System_GetOutput);

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
    // Our library's own exports, bound if present: a library without them
    // still plays, only without now-playing titles and without saying that
    // it found no sound device.
    KESTREL_Channel_GetTitle_fn KESTREL_Channel_GetTitle = nullptr;
    KESTREL_System_GetOutput_fn KESTREL_System_GetOutput = nullptr;
};

// Which list the record button saves from.
struct DownloadSource {
    int32_t searchResults = 0;
    int32_t playlist = 0;
};

// The audio library: mapped and bound once at start-up (audio/audio_binding).
struct AudioLibraryState {
    MappedModule* audioModule = nullptr;
    AudioFunctions audio;  // the bound entry points
    FMOD_SYSTEM* audioSystem = nullptr;
};

// The one channel and what its polls leave (audio/playback every loop pass,
// audio/track_length for a local file's length). UI thread.
struct PlaybackState {
    FMOD_CHANNEL* audioChannel = nullptr;
    FMOD_SOUND* audioSound = nullptr;
    float volume = 0.0f;
    int32_t volumeFill = 0;  // VolumeBar's filled width in pixels
    int32_t pauseOn = 0;
    int32_t muteOn = 0;
    uint32_t positionMs = 0;
    int32_t channelPlaying = 0;
    int32_t trackLengthSeconds = 0;  // the display refresh makes 0 into 1
    std::array<float, 514> spectrum{};
    std::string nowPlayingTitle;  // the radio station's current title, "" when none
    // The audio library plays into no device (it found none): the status
    // strip says so. Kept from the library's last answer while it has none.
    int32_t noSoundDevice = 0;
};

// What plays, what the status strip says of it, and what plays next
// (app/next_track). UI thread, but `currentIndex`, which the download worker
// also writes when it saves a result.
struct NowPlayingState {
    std::string currentTitle;
    std::string nowPlayingText;
    // What the status strip says in place of what plays: a search that
    // failed or found nothing. Cleared by the next search and the next play.
    std::string statusNotice;
    // For the desktop's media controls: the playing row's title (track,
    // station, file).
    std::string playingTitle;
    int32_t playingList = 0;  // PlayingList: the list started last
    int32_t streamUnheard = 0;
    int32_t advanceResults = 0;
    int32_t advancePlaylist = 0;
    int32_t advanceLocalFiles = 0;
    // Each list's own row to continue from.
    std::atomic<int32_t> currentIndex{0};  // search results; written by the download worker too
    int32_t playlistIndex = 0;
    int32_t localFilesIndex = 0;
    int32_t stationIndex = 0;
};

// The lists and what they were filled from (online/search, library). UI
// thread; the two lists the download worker copies from change under
// `listsMutex`.
struct ListsState {
    std::mutex listsMutex;
    std::vector<SearchResult> searchResults;    // guarded by listsMutex for writes
    std::vector<StationEntry> playlistEntries;  // guarded by listsMutex for writes
    std::vector<StationEntry> stationEntries;
    std::string currentStyle;
    std::string lastQuery;  // the last search text, encoded
    std::string localFolder;
    std::string chosenFile;
    std::string dialogFolder;  // where the open dialog opens ("" : the working directory)
};

// Saving tracks (online/download). The UI thread sets `downloadSource` from
// the list clicked last; the worker writes the rest.
struct DownloadState {
    DownloadSource downloadSource;
    int32_t downloadThread = 0;               // 1 while a worker has been started and not yet ended
    std::atomic<int32_t> recordingActive{0};  // read by the refresh without a lock
    std::string recordingCaption;             // guarded by listsMutex
};

// The window's modes and secondary windows (app/modes, app/dispatch). UI thread.
struct ModeState {
    int32_t radioMode = 0;
    int32_t mp3Mode = 0;
    int32_t compactMode = 0;
    int32_t searchMade = 0;
    int32_t videoWindowOpen = 0;
};

// The event of the current loop pass and the pointer (app/event_loop). UI thread.
struct LoopState {
    int32_t event = 0;
    int32_t eventWindow = 0;
    int32_t eventControl = 0;
    int32_t eventType = 0;  // gui::ControlEventType of a control event
    int32_t mouseX = 0;
    int32_t mouseY = 0;
};

// The seven hover flags (ui/hover), each 1 while its feedback shows. UI thread.
struct HoverState {
    int32_t cursorHover = 0;
    int32_t pointerOverVolume = 0;
    int32_t closeHover = 0;
    int32_t radioHover = 0;
    int32_t playHover = 0;
    int32_t mp3Hover = 0;
    int32_t openFolderHover = 0;
};

// Pictures the register makes at start-up (ui/register). UI thread.
struct RegisterState {
    int addIcon = 0;       // image number of AddIconImage
    int playlistIcon = 0;  // image number of PlaylistIconImage
};

struct AppState : AudioLibraryState,
                  PlaybackState,
                  NowPlayingState,
                  ListsState,
                  DownloadState,
                  ModeState,
                  LoopState,
                  HoverState,
                  RegisterState {};

inline AppState appState;

// Every field back to zero: the first thing start-up does, and what each
// test starts from.
inline void resetAppState() {
    appState.~AppState();
    new (&appState) AppState();
}
