#include "bench_program.h"

#include <cstdlib>

#include "app/program.h"
#include "platform/gui/gui_testing.h"
#include "platform/net/net_testing.h"
#include "state/app_state.h"
#include "ui/ids.h"
#include "ui/register.h"
#include "ui/skin.h"

bool startProgramForBench() {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    gui::setMessageBoxResponder([](const gui::MessageBoxInfo&) {});
    net::overrideConnected(true);
    static int argc = 1;
    static char name[] = "kestrel-player";
    static char* argv[] = {name, nullptr};
    return startUp(argc, argv) && appState.audio.FMOD_System_CreateStream;
}

void buildMainWindowForBench() {
    resetAppState();
    decodeSkinPictures();
    createCanvasImages();
    loadFonts();
    drawRowIcons();
    gui::createWindow(win::MainWindow, gui::WindowStyle::Popup, 727, 400, "bench");
    ApplySkin(win::MainWindow, img::SearchSkin);
    buildMainWindowControls();
    gui::showWindow(win::MainWindow);
}
