// Search, radio and mp3 modes, compact mode, minimise and the about box.
// A mode switch applies its skin and moves controls in or out of view;
// nothing is ever hidden or destroyed.
#include "app/modes.h"

#include "platform/gui/gui.h"
#include "state/addresses.h"
#include "state/app_state.h"
#include "state/texts.h"
#include "ui/ids.h"
#include "ui/layout.h"
#include "ui/skin.h"

namespace {

// The mode's places; SearchPicture stays out of view once a search was made.
void moveControls(layout::Mode mode) {
    for (const layout::Move& move : layout::moves(mode)) {
        const int to =
            move.control == ctl::SearchPicture && appState.searchMade == 1 ? layout::kOutOfViewX : move.to;
        if (move.axis == layout::Axis::X)
            gui::setControlX(move.control, to);
        else
            gui::setControlY(move.control, to);
    }
}

void radioOn() {
    ApplySkin(win::MainWindow, img::RadioSkin);
    moveControls(layout::Mode::Radio);
    appState.mp3Mode = 0;
}

// The whole search layout, whichever mode was shown before: a mode reached
// through another (mp3, then radio) must not leave a control out of view.
void searchOn() {
    ApplySkin(win::MainWindow, img::SearchSkin);
    moveControls(layout::Mode::Search);
}

void mp3On() {
    ApplySkin(win::MainWindow, img::Mp3Skin);
    moveControls(layout::Mode::Mp3);
    appState.radioMode = 0;
}

// The layout of the mode the flags name, with its skin.
void showModeLayout() {
    if (appState.radioMode == 1)
        radioOn();
    else if (appState.mp3Mode == 1)
        mp3On();
    else
        searchOn();
}

}  // namespace

// In compact mode a switch only chooses the mode shown when compact mode
// ends; the modes exclude each other there too, so the flags always name
// one layout.
void toggleRadioMode() {
    appState.radioMode ^= 1;
    if (appState.compactMode != 0) {
        if (appState.radioMode == 1) appState.mp3Mode = 0;
        return;
    }
    if (appState.radioMode == 1)
        radioOn();
    else
        searchOn();
}

void toggleMp3Mode() {
    appState.mp3Mode ^= 1;
    if (appState.compactMode != 0) {
        if (appState.mp3Mode == 1) appState.radioMode = 0;
        return;
    }
    if (appState.mp3Mode == 1)
        mp3On();
    else
        searchOn();
}

void toggleCompactMode() {
    appState.compactMode ^= 1;
    if (appState.compactMode == 1) {
        ApplySkin(win::MainWindow, img::CompactSkin);
        gui::setWindowClientSize(win::MainWindow, layout::kWindowWidth, layout::kCompactHeight);
        return;
    }
    // Grow first, so that the full-height skin's shape is not cut to the
    // compact height; then the skin and the controls of the one mode the
    // flags name.
    gui::setWindowClientSize(win::MainWindow, layout::kWindowWidth, layout::kWindowHeight);
    showModeLayout();
}

void showAboutBox() {
    gui::messageBox(win::MainWindow, texts::kInformationCaption,
                    musicSiteBase() + "\n\nKestrel Player " KESTREL_VERSION "\n" + texts::kAboutAuthors,
                    gui::Icon::None);
}
