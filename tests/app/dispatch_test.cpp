// Events through the real widgets, the loop and the dispatch table.
#include <gtest/gtest.h>

#include "app/app_fixture.h"
#include "app/program.h"
#include "platform/gui/gui_testing.h"
#include "state/app_state.h"
#include "ui/ids.h"

using Dispatch = StartedApp;

TEST_F(Dispatch, DoubleClickOnAPictureActsTwice) {
    gui::simulateClick(ctl::RadioModeButton, gui::ControlEventType::Double, 5, 5);
    drain();
    EXPECT_EQ(appState.radioMode, 0);  // left, then double: toggled twice
    gui::simulateClick(ctl::RadioModeButton, gui::ControlEventType::Left, 5, 5);
    drain();
    EXPECT_EQ(appState.radioMode, 1);
}

TEST_F(Dispatch, RightClickOnSearchButtonDropsHistoryAndHidesPictureForGood) {
    gui::simulateClick(ctl::SearchButton, gui::ControlEventType::Right, 3, 3);
    drain();
    EXPECT_EQ(appState.searchMade, 1);
    EXPECT_EQ(gui::controlRect(ctl::SearchPicture).x, -1000);
    gui::simulateClick(ctl::RadioModeButton, gui::ControlEventType::Left, 5, 5);
    gui::simulateClick(ctl::RadioModeButton, gui::ControlEventType::Left, 5, 5);
    drain();
    EXPECT_EQ(gui::controlRect(ctl::SearchPicture).x, -1000);
}

TEST_F(Dispatch, RightClickOnTitleTogglesCompactMode) {
    gui::simulateClick(ctl::TitleHotspot, gui::ControlEventType::Left, 3, 3);
    drain();
    EXPECT_EQ(appState.compactMode, 0);  // only the right button counts
    gui::simulateClick(ctl::TitleHotspot, gui::ControlEventType::Right, 3, 3);
    drain();
    EXPECT_EQ(appState.compactMode, 1);
}

TEST_F(Dispatch, AboutBoxHasCaptionAndNoIcon) {
    gui::clearShownMessageBoxes();
    gui::simulateClick(ctl::AboutButton, gui::ControlEventType::Left, 3, 3);
    drain();
    const auto boxes = gui::shownMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Информация");
    EXPECT_EQ(boxes[0].icon, gui::Icon::None);
    EXPECT_NE(boxes[0].text.find("http"), std::string::npos);
    EXPECT_NE(boxes[0].text.find("Kestrel Player " KESTREL_VERSION "\n"), std::string::npos) << boxes[0].text;
}

// The desktop's close (task bar, Alt+F4) ends the loop as CloseButton does.
TEST_F(Dispatch, CloseRequestAndCloseButtonEachEndTheLoop) {
    gui::postEvent({gui::EventKind::CloseRequest, win::MainWindow, 0, {}});
    EXPECT_FALSE(drain());
    gui::simulateClick(ctl::CloseButton, gui::ControlEventType::Left, 3, 3);
    EXPECT_FALSE(drain());
}

TEST_F(Dispatch, SecondaryWindowsCloseOnRequest) {
    gui::simulateClick(ctl::ArtistIndexLink, gui::ControlEventType::Left, 3, 3);
    drain();
    ASSERT_TRUE(gui::windowExists(win::ArtistIndexWindow));
    gui::postEvent({gui::EventKind::CloseRequest, win::ArtistIndexWindow, 0, {}});
    drain();
    EXPECT_FALSE(gui::windowExists(win::ArtistIndexWindow));
}

TEST_F(Dispatch, ListEventsChooseTheDownloadSource) {
    gui::simulateClick(ctl::PlaylistList, gui::ControlEventType::Left, 50, 40);
    drain();
    EXPECT_EQ(appState.downloadSource.playlist, 1);
    EXPECT_EQ(appState.downloadSource.searchResults, 0);
    gui::simulateClick(ctl::SearchResultsList, gui::ControlEventType::Right, 50, 40);
    drain();
    EXPECT_EQ(appState.downloadSource.playlist, 0);
    EXPECT_EQ(appState.downloadSource.searchResults, 1);
}

// Hover sees the drag, playback sets the level: the loop joins the two.
TEST_F(Dispatch, DraggingOverTheVolumeBarSetsTheVolume) {
    const gui::Rect bar = gui::controlScreenRect(ctl::VolumeBar);
    gui::simulateLeftButton(1);
    gui::simulateMouseMove({bar.x + 20, bar.y + 5});
    drain();
    gui::simulateLeftButton(-1);
    EXPECT_EQ(appState.pointerOverVolume, 1);
    EXPECT_EQ(appState.volumeFill, 20);
    EXPECT_FLOAT_EQ(appState.volume, 20.0f / 57.0f);
}

TEST_F(Dispatch, IdleLoopStillPassesEveryTenMilliseconds) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(loopPass());
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(5));  // a liveness check: idle passes return
}
