// Hover feedback. A picture control given no picture shows the skin under
// it, so "unlit" is simply no picture; every lit picture has its control's
// size, so lighting a button never moves or resizes it.
#include "ui/hover.h"

#include <cstdint>

#include "platform/gui/gui.h"
#include "state/app_state.h"
#include "ui/ids.h"
#include "ui/layout.h"

namespace {

constexpr int kHandCursorControls[] = {
    ctl::SearchButton,    ctl::VideoButton,  ctl::SiteLogoLink,  ctl::PlayButton,       ctl::CloseButton,
    ctl::MinimizeButton,  ctl::AboutButton,  ctl::RecordButton,  ctl::MuteButton,       ctl::RadioModeButton,
    ctl::ArtistIndexLink, ctl::TitleHotspot, ctl::Mp3ModeButton, ctl::OpenFolderButton, ctl::PositionBar,
    ctl::PreviousButton,  ctl::NextButton,
};

bool cursorOver(int control) {
    return IsCursorOverControl(gui::cursorPos(), gui::controlScreenRect(control));
}

// The icon columns of the two lists of search mode: the add icons of the
// results (while there are results) and the delete icons of the playlist.
bool overIconColumn() {
    const gui::Point p = gui::mouseInClient(win::MainWindow);
    if (!layout::kIconRows.holds(p.y)) return false;
    return (gui::listRowCount(ctl::SearchResultsList) > 0 && layout::kAddIconColumn.holds(p.x)) ||
           layout::kDeleteIconColumn.holds(p.x);
}

void updateHandCursor() {
    if (HandCursorHit() != 0 || overIconColumn()) {
        gui::setHandCursor();
        appState.cursorHover = 1;
    } else if (!cursorOver(ctl::VolumeBar)) {
        // A hand set over an icon column belongs to the whole list widget:
        // it is taken back as soon as the pointer leaves the column.
        if (appState.cursorHover == 1 || gui::handCursorShown()) gui::clearHandCursor();
        appState.cursorHover = 0;
    } else {
        appState.cursorHover = 0;  // the volume drag's handler sets the hand there
    }
}

void updateLitPicture(int control, int picture, int32_t& flag) {
    if (cursorOver(control)) {
        gui::setControlImage(control, picture);
        flag = 1;
    } else if (flag == 1) {
        gui::setControlImage(control, 0);
        flag = 0;
    }
}

}  // namespace

bool IsCursorOverControl(gui::Point cursor, gui::Rect control) {
    return control.x <= cursor.x && cursor.x < control.x + control.w && control.y <= cursor.y &&
           cursor.y < control.y + control.h;
}

int HandCursorHit() {
    const gui::Point cursor = gui::cursorPos();
    for (int control : kHandCursorControls)
        if (IsCursorOverControl(cursor, gui::controlScreenRect(control))) return control;
    return 0;
}

std::optional<int32_t> trackVolumeDrag(int event, int /*eventControl*/) {
    if (event != static_cast<int>(gui::EventKind::MouseMove)) return std::nullopt;
    if (!cursorOver(ctl::VolumeBar)) {
        if (appState.pointerOverVolume == 1) appState.pointerOverVolume = 0;
        return std::nullopt;
    }
    gui::setHandCursor();
    appState.pointerOverVolume = 1;
    // Two readings: the first may report a press that has since ended.
    gui::leftButtonDown();
    if (!gui::leftButtonDown()) return std::nullopt;
    return appState.mouseX - gui::controlRect(ctl::VolumeBar).x;
}

std::optional<int32_t> UpdateHoverFeedback(int event, int eventControl) {
    const bool mouseMove = event == int(gui::EventKind::MouseMove);
    if (mouseMove) updateHandCursor();
    const std::optional<int32_t> volumeBarX = trackVolumeDrag(event, eventControl);
    if (!mouseMove) return volumeBarX;
    updateLitPicture(ctl::CloseButton, img::CloseHoverImage, appState.closeHover);
    // In radio mode the skin labels this button "ПОИСК", in mp3 mode the mp3 button.
    updateLitPicture(ctl::RadioModeButton, appState.radioMode ? img::SearchHoverImage : img::RadioHoverImage,
                     appState.radioHover);
    updateLitPicture(ctl::PlayButton, img::PlayHoverImage, appState.playHover);
    updateLitPicture(ctl::Mp3ModeButton, appState.mp3Mode ? img::SearchHoverImage : img::Mp3HoverImage,
                     appState.mp3Hover);
    updateLitPicture(ctl::OpenFolderButton, img::OpenFolderHoverImage, appState.openFolderHover);
    return volumeBarX;
}
