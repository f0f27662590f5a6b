// Window modes: which controls each switch moves, and the sequences that
// show how the switches combine.
#include "app/modes.h"

#include <gtest/gtest.h>

#include <map>

#include "app/app_fixture.h"
#include "platform/gui/gui_testing.h"
#include "state/app_state.h"
#include "ui/ids.h"

namespace {

using Layout = std::map<int, gui::Rect>;

const int kMoved[] = {ctl::SiteLogoLink,  ctl::SearchButton, ctl::SearchResultsPanel, ctl::SearchField,
                      ctl::StylePanel,    ctl::StationPanel, ctl::OpenFolderButton,   ctl::LocalFilesPanel,
                      ctl::RadioPicture,  ctl::AlbumPhoto,   ctl::PositionBar,        ctl::SearchPicture,
                      ctl::PlaylistPanel, ctl::RecordButton};

Layout layout() {
    Layout l;
    for (int c : kMoved) l[c] = gui::controlRect(c);
    return l;
}

int x(int control) {
    return gui::controlRect(control).x;
}

// The controls in view with their places (out of view, where does not matter).
Layout inView(const Layout& all) {
    Layout l;
    for (const auto& [c, r] : all)
        if (r.x >= 0 && r.x < 727 && r.y >= 0 && r.y < 400) l[c] = r;
    return l;
}

}  // namespace

using Modes = StartedApp;

TEST_F(Modes, RadioOnAndOff) {
    toggleRadioMode();
    EXPECT_EQ(appState.radioMode, 1);
    EXPECT_EQ(gui::windowBackgroundImage(win::MainWindow), img::RadioSkin);
    for (int c : {ctl::SiteLogoLink, ctl::SearchButton, ctl::SearchResultsPanel, ctl::SearchField,
                  ctl::OpenFolderButton, ctl::LocalFilesPanel, ctl::AlbumPhoto, ctl::SearchPicture,
                  ctl::PlaylistPanel})
        EXPECT_EQ(x(c), -1000) << c;
    EXPECT_EQ(x(ctl::StylePanel), 16);
    EXPECT_EQ(x(ctl::StationPanel), 166);
    EXPECT_EQ(x(ctl::RadioPicture), 465);
    EXPECT_EQ(gui::controlRect(ctl::PositionBar).y, 3333);

    toggleRadioMode();
    EXPECT_EQ(gui::windowBackgroundImage(win::MainWindow), img::SearchSkin);
    EXPECT_EQ(x(ctl::SiteLogoLink), 15);
    EXPECT_EQ(x(ctl::SearchButton), 226);
    EXPECT_EQ(x(ctl::SearchResultsPanel), 15);
    EXPECT_EQ(x(ctl::SearchField), 43);
    EXPECT_EQ(x(ctl::PlaylistPanel), 462);
    EXPECT_EQ(x(ctl::StylePanel), -1000);
    EXPECT_EQ(x(ctl::StationPanel), -1000);
    EXPECT_EQ(x(ctl::RadioPicture), 1465);
    EXPECT_EQ(x(ctl::SearchPicture), 85);  // no search made yet
}

TEST_F(Modes, Mp3OnAndOff) {
    toggleMp3Mode();
    EXPECT_EQ(gui::windowBackgroundImage(win::MainWindow), img::Mp3Skin);
    for (int c :
         {ctl::SiteLogoLink, ctl::SearchButton, ctl::SearchResultsPanel, ctl::SearchField, ctl::RecordButton,
          ctl::StylePanel, ctl::StationPanel, ctl::PlaylistPanel, ctl::SearchPicture})
        EXPECT_EQ(x(c), -1000) << c;
    EXPECT_EQ(x(ctl::OpenFolderButton), 288);
    EXPECT_EQ(x(ctl::LocalFilesPanel), 15);
    EXPECT_EQ(x(ctl::AlbumPhoto), 435);
    EXPECT_EQ(x(ctl::RadioPicture), 1465);
    EXPECT_EQ(gui::controlRect(ctl::PositionBar).y, 333);

    appState.searchMade = 1;
    toggleMp3Mode();
    EXPECT_EQ(x(ctl::RecordButton), 290);
    EXPECT_EQ(x(ctl::OpenFolderButton), -1000);
    EXPECT_EQ(x(ctl::LocalFilesPanel), -1000);
    EXPECT_EQ(x(ctl::AlbumPhoto), -1000);
    EXPECT_EQ(gui::controlRect(ctl::PositionBar).y, 3333);
    EXPECT_EQ(x(ctl::SearchPicture), -1000);  // hidden for good once a search was made
}

// Saving tracks must work whenever search mode is shown, however it was reached.
TEST_F(Modes, Mp3ThenRadioThenSearchBringsEverySearchControlBack) {
    const Layout search = layout();
    toggleMp3Mode();
    toggleRadioMode();
    EXPECT_EQ(appState.mp3Mode, 0);
    EXPECT_EQ(appState.radioMode, 1);
    EXPECT_EQ(x(ctl::RecordButton), -1000);
    toggleRadioMode();
    EXPECT_EQ(inView(layout()), inView(search));
    EXPECT_EQ(x(ctl::RecordButton), 290);
}

TEST_F(Modes, CompactModeShrinksAndRestores) {
    toggleCompactMode();
    EXPECT_EQ(gui::windowClientRect(win::MainWindow).h, 83);
    EXPECT_EQ(gui::windowBackgroundImage(win::MainWindow), img::CompactSkin);
    const Layout before = layout();
    toggleRadioMode();  // only the flags change while compact
    toggleMp3Mode();
    EXPECT_EQ(layout(), before);
    EXPECT_EQ(appState.radioMode, 0) << "the modes exclude each other";
    EXPECT_EQ(appState.mp3Mode, 1);
    toggleCompactMode();
    EXPECT_EQ(gui::windowClientRect(win::MainWindow).h, 400);
    // The skin and the controls agree: both are the mp3 mode's.
    EXPECT_EQ(gui::windowBackgroundImage(win::MainWindow), img::Mp3Skin);
    EXPECT_EQ(x(ctl::OpenFolderButton), 288);
    EXPECT_EQ(x(ctl::SearchResultsPanel), -1000);
    // The shape covers the full height again.
    int bottom = 0;
    for (const auto& r : gui::windowShape(win::MainWindow)) bottom = std::max(bottom, r.y + r.h);
    EXPECT_GT(bottom, 300);
}

TEST_F(Modes, ManySwitchesKeepOneBackgroundHook) {
    for (int i = 0; i < 10; ++i) toggleRadioMode();
    for (int i = 0; i < 10; ++i) toggleCompactMode();
    EXPECT_EQ(gui::windowBackgroundHooks(win::MainWindow), 1);
}
