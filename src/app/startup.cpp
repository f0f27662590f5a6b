// Start-up and shutdown, in the order the rest of the program relies on.
#include "app/addresses.h"
#include "app/app_state.h"
#include "app/program.h"
#include "audio/audio_binding.h"
#include "audio/display_refresh.h"
#include "online/connectivity.h"
#include "platform/gui/gui.h"
#include "ui/ids.h"
#include "ui/register.h"
#include "ui/skin.h"

bool startUp(int& argc, char** argv) {
    resetAppState();  // step 1
    if (!gui::init(argc, argv)) return false;  // step 2

    if (!isConnected())  // step 3
        gui::messageBox(0, "Внимание !", "Соединение с Интернетом отсутствует !", gui::Icon::Warning);

    loadAudioModule();   // step 4
    bindAudioLibrary();  // step 5

    appState.volume = 0.5f;  // step 6
    appState.currentStyle = "Всё подряд";
    appState.volumeFill = 33;

    decodeSkinPictures();  // step 7
    createCanvasImages();  // step 8
    loadFonts();           // step 9
    drawRowIcons();        // step 10

    // step 11
    if (!gui::createWindow(win::MainWindow, gui::WindowStyle::Popup, 727, 400, "Поиск MP3 на  " + musicSiteBase()))
        return false;
    ApplySkin(win::MainWindow, img::SearchSkin);  // step 12
    buildMainWindowControls();                     // step 13
    attachTooltips();
    initAudioSystem();                                              // step 14
    gui::startTimer(win::MainWindow, 0, 35, [] { refreshDisplay(); });  // step 15
    gui::showWindow(win::MainWindow);                               // step 16
    return true;
}

void shutDown() {
    releaseAudio();
    ReleaseSkins();
    gui::releaseAll();
}
