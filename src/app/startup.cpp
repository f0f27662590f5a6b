// Start-up and shutdown, in the order the rest of the program relies on.
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/media_control.h"
#include "app/program.h"
#include "app/remembered.h"
#include "app/seen.h"
#include "app/single_instance.h"
#include "audio/audio_binding.h"
#include "library/playlist.h"
#include "library/stale_temporaries.h"
#include "library/stations.h"
#include "online/connectivity.h"
#include "online/download.h"
#include "online/save_folder.h"
#include "platform/gui/gui.h"
#include "platform/gui/termination.h"
#include "resources/app_icon.h"
#include "state/addresses.h"
#include "state/app_state.h"
#include "state/texts.h"
#include "ui/ids.h"
#include "ui/layout.h"
#include "ui/register.h"
#include "ui/skin.h"

namespace {

// KESTREL_TRACE_STARTUP=1 prints how long each start-up step took.
void trace(const char* step) {
    static const bool enabled = std::getenv("KESTREL_TRACE_STARTUP") != nullptr;
    if (!enabled) return;
    static auto last = std::chrono::steady_clock::now();
    const auto now = std::chrono::steady_clock::now();
    std::fprintf(stderr, "start-up: %-24s %7.2f ms\n", step,
                 std::chrono::duration<double, std::milli>(now - last).count());
    last = now;
}

}  // namespace

void buildMainWindowControls() {
    buildSearchFieldControls();
    loadHistory();
    buildFirstLists();
    fillStyleList();
    buildStationList();
    loadStations();
    showStations();
    loadPlaylist();
    buildControlsAfterLists();
}

bool startUp(int& argc, char** argv) {
    trace("begin");
    resetAppState();
    // Read before the toolkit, which takes the options it knows from argv.
    const std::vector<std::string> items = commandLineItems(argc, argv);
    // The toolkit and its display.
    if (!gui::init(argc, argv)) {
        std::fprintf(stderr, "kestrel-player: no display to open a window on\n");
        return false;
    }
    gui::setApplicationIdentity(KESTREL_APP_ID, appIconPng());
    trace("toolkit");
    // A later start hands its files to the player that runs and ends here.
    if (!becomeThePlayer(items)) return false;
    // A logout, `kill` or a service manager ends the player as its close button does.
    gui::endOnTerminationSignals(
        {gui::EventKind::Control, win::MainWindow, ctl::CloseButton, gui::ControlEventType::Left});
    // What a killed run left half-written beside the files we write.
    removeStaleTemporaries(".");
    removeStaleTemporariesBeside("inet_radio.pls");
    removeStaleTemporariesBeside("файлы/name.pls");
    if (const std::string saved = saveFolderName(); !saved.empty()) removeStaleTemporaries(saved);

    // Without a connection the user is warned once and start-up goes on.
    // The warning is for the search; a site that answers on this machine
    // searches without a connection.
    if (!isConnected() && !siteAnswers(musicSiteBase()))
        gui::messageBox(0, texts::kWarningCaption, texts::kNoConnection, gui::Icon::Warning);

    trace("connectivity");
    // The audio library, mapped from the program's own data, and its 14
    // functions; without them the user is told once and the program is silent.
    loadAudioModule();
    bindAudioLibrary();

    trace("audio library");
    // What differs from zero at first: half volume, the style that lists
    // every station, the volume bar filled to 33.
    appState.volume = 0.5f;
    appState.currentStyle = "Всё подряд";
    appState.volumeFill = layout::kVolumeFillStart;

    // Everything the controls show: the skin pictures, the canvases the
    // refresh draws on, the three fonts and the two row icons.
    decodeSkinPictures();
    createCanvasImages();
    loadFonts();
    drawRowIcons();
    trace("pictures and fonts");

    // MainWindow, borderless and unseen until it is whole; it takes the
    // search mode's skin, then every control in creation order (the search
    // history, the styles, the stations and the playlist are read on the way).
    if (!gui::createWindow(win::MainWindow, gui::WindowStyle::Popup, layout::kWindowWidth,
                           layout::kWindowHeight, "Поиск MP3 на  " + musicSiteBase()))
        return false;
    ApplySkin(win::MainWindow, img::SearchSkin);
    gui::acceptDrops(win::MainWindow);
    buildMainWindowControls();
    attachTooltips();
    restoreRememberedSettings();
    trace("window and controls");
    // The audio system for one channel, then the 35 ms refresh of the time,
    // the spectrum, the bars and the status strip.
    initAudioSystem();
    startRefresh();
    followConnectionChanges();
    trace("audio system");
    openCommandLineItems();
    gui::showWindow(win::MainWindow);
    trace("shown");
    startMediaControl();
    // The launcher's word on a data folder it could not use, shown where the
    // user started the program.
    if (const char* notice = std::getenv("KESTREL_NOTICE"); notice && *notice)
        gui::messageBox(win::MainWindow, texts::kWarningCaption, notice, gui::Icon::Warning);
    return true;
}

void shutDown() {
    keepRememberedSettings();
    // What the user changed is kept: the playlist and the searches made.
    if (!savePlaylistIfChanged())
        std::fprintf(stderr, "kestrel-player: the playlist could not be saved: %s\n", std::strerror(errno));
    if (!saveHistory())
        std::fprintf(stderr, "kestrel-player: the search history could not be saved: %s\n",
                     std::strerror(errno));
    // A download cut short by the exit leaves no half-written file.
    abandonDownload();
    stopMediaControl();
    releaseAudio();
    ReleaseSkins();
    gui::releaseAll();
}
