// Hover feedback. A picture control given no picture shows the skin under
// it, so "unlit" is simply no picture; every lit picture has its control's
// size, so lighting a button never moves or resizes it.
#include "ui/hover.h"

#include <cstdint>

#include "audio/playback.h"
#include "platform/gui/gui.h"
#include "state/app_state.h"
#include "ui/ids.h"

namespace {

constexpr int kHandCursorControls[] = {
    ctl::SearchButton,    ctl::VideoButton,  ctl::SiteLogoLink,  ctl::PlayButton,       ctl::CloseButton,
    ctl::MinimizeButton,  ctl::AboutButton,  ctl::RecordButton,  ctl::MuteButton,       ctl::RadioModeButton,
    ctl::ArtistIndexLink, ctl::TitleHotspot, ctl::Mp3ModeButton, ctl::OpenFolderButton, ctl::PositionBar,
    ctl::PreviousButton,  ctl::NextButton,
};

bool contains(const gui::Rect& r, gui::Point p) {
    return r.x <= p.x && p.x < r.x + r.w && r.y <= p.y && p.y < r.y + r.h;
}

bool inside(int value, int low, int high) {
    return low < value && value < high;
}

// The icon columns of the two lists of search mode: the add icons of the
// results (while there are results) and the delete icons of the playlist.
bool overIconColumn() {
    const gui::Point p = gui::mouseInClient(win::MainWindow);
    if (!inside(p.y, 35, 316)) return false;
    return (gui::listRowCount(ctl::SearchResultsList) > 0 && inside(p.x, 16, 30)) || inside(p.x, 465, 477);
}

void updateHandCursor() {
    if (HandCursorHit() != 0 || overIconColumn()) {
        gui::setHandCursor();
        appState.cursorHover = 1;
    } else if (!IsCursorOverControl(ctl::VolumeBar)) {
        // A hand set over an icon column belongs to the whole list widget:
        // it is taken back as soon as the pointer leaves the column.
        if (appState.cursorHover == 1 || gui::handCursorShown()) gui::clearHandCursor();
        appState.cursorHover = 0;
    } else {
        appState.cursorHover = 0;  // the volume drag's handler sets the hand there
    }
}

void updateLitPicture(int control, int picture, int32_t& flag) {
    if (IsCursorOverControl(control)) {
        gui::setControlImage(control, picture);
        flag = 1;
    } else if (flag == 1) {
        gui::setControlImage(control, 0);
        flag = 0;
    }
}

}  // namespace

bool IsCursorOverControl(int control) {
    return contains(gui::controlScreenRect(control), gui::cursorPos());
}

int HandCursorHit() {
    const gui::Point cursor = gui::cursorPos();
    for (int control : kHandCursorControls)
        if (contains(gui::controlScreenRect(control), cursor)) return control;
    return 0;
}

void UpdateHoverFeedback(int event, int eventControl) {
    const bool mouseMove = event == int(gui::EventKind::MouseMove);
    if (mouseMove) updateHandCursor();
    trackVolumeDrag(event, eventControl);
    if (!mouseMove) return;
    updateLitPicture(ctl::CloseButton, img::CloseHoverImage, appState.closeHover);
    // In radio mode the skin labels this button "ПОИСК", in mp3 mode the mp3 button.
    updateLitPicture(ctl::RadioModeButton, appState.radioMode ? img::SearchHoverImage : img::RadioHoverImage,
                     appState.radioHover);
    updateLitPicture(ctl::PlayButton, img::PlayHoverImage, appState.playHover);
    updateLitPicture(ctl::Mp3ModeButton, appState.mp3Mode ? img::SearchHoverImage : img::Mp3HoverImage,
                     appState.mp3Hover);
    updateLitPicture(ctl::OpenFolderButton, img::OpenFolderHoverImage, appState.openFolderHover);
}
