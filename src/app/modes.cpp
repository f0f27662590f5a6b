// Search, radio and mp3 modes, compact mode, minimise and the about box.
// A mode switch applies its skin and moves controls in or out of view;
// nothing is ever hidden or destroyed.
#include "app/modes.h"

#include "platform/gui/gui.h"
#include "state/addresses.h"
#include "state/app_state.h"
#include "ui/ids.h"
#include "ui/skin.h"

namespace {

int searchPictureX() {
    return appState.searchMade == 1 ? -1000 : 85;
}

void radioOn() {
    ApplySkin(win::MainWindow, img::RadioSkin);
    for (int c : {ctl::SiteLogoLink, ctl::SearchButton, ctl::SearchResultsPanel, ctl::SearchField})
        gui::setControlX(c, -1000);
    gui::setControlX(ctl::StylePanel, 16);
    gui::setControlX(ctl::StationPanel, 166);
    gui::setControlX(ctl::OpenFolderButton, -1000);
    gui::setControlX(ctl::LocalFilesPanel, -1000);
    gui::setControlX(ctl::RadioPicture, 465);
    gui::setControlX(ctl::AlbumPhoto, -1000);
    gui::setControlY(ctl::PositionBar, 3333);
    gui::setControlX(ctl::SearchPicture, -1000);
    gui::setControlX(ctl::PlaylistPanel, -1000);
    appState.mp3Mode = 0;
}

// The whole search layout, whichever mode was shown before: a mode reached
// through another (mp3, then radio) must not leave a control out of view.
void searchOn() {
    ApplySkin(win::MainWindow, img::SearchSkin);
    gui::setControlX(ctl::SiteLogoLink, 15);
    gui::setControlX(ctl::SearchButton, 226);
    gui::setControlX(ctl::SearchResultsPanel, 15);
    gui::setControlX(ctl::SearchField, 43);
    gui::setControlX(ctl::RecordButton, 290);
    gui::setControlX(ctl::PlaylistPanel, 462);
    gui::setControlX(ctl::StylePanel, -1000);
    gui::setControlX(ctl::StationPanel, -1000);
    gui::setControlX(ctl::RadioPicture, 1465);
    gui::setControlX(ctl::OpenFolderButton, -1000);
    gui::setControlX(ctl::LocalFilesPanel, -1000);
    gui::setControlX(ctl::AlbumPhoto, -1000);
    gui::setControlY(ctl::PositionBar, 3333);
    gui::setControlX(ctl::SearchPicture, searchPictureX());
}

void mp3On() {
    ApplySkin(win::MainWindow, img::Mp3Skin);
    for (int c :
         {ctl::SiteLogoLink, ctl::SearchButton, ctl::SearchResultsPanel, ctl::SearchField, ctl::RecordButton})
        gui::setControlX(c, -1000);
    gui::setControlX(ctl::OpenFolderButton, 288);
    gui::setControlX(ctl::LocalFilesPanel, 15);
    gui::setControlX(ctl::StylePanel, -1000);
    gui::setControlX(ctl::StationPanel, -1000);
    gui::setControlX(ctl::PlaylistPanel, -1000);
    gui::setControlX(ctl::AlbumPhoto, 435);
    gui::setControlX(ctl::RadioPicture, 1465);
    gui::setControlY(ctl::PositionBar, 333);
    gui::setControlX(ctl::SearchPicture, -1000);
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
        gui::setWindowClientSize(win::MainWindow, 727, 83);
        return;
    }
    // Grow first, so that the full-height skin's shape is not cut to 83 rows;
    // then the skin and the controls of the one mode the flags name.
    gui::setWindowClientSize(win::MainWindow, 727, 400);
    showModeLayout();
}

void showAboutBox() {
    gui::messageBox(
        win::MainWindow, "Информация",
        musicSiteBase() + "\n\nKestrel Player " KESTREL_VERSION "\nАвторы: команда Kestrel Player",
        gui::Icon::None);
}
