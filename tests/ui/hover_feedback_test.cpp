// Hover feedback over the real toolkit: the pointer is moved through the gui
// layer's test hook, then one loop pass's handlers run.
#include <gtest/gtest.h>

#include "skin_fixture.h"
#include "state/app_state.h"
#include "ui/hover.h"
#include "ui/ids.h"

namespace {

constexpr int kMouseMove = int(gui::EventKind::MouseMove);

class HoverFeedback : public testing::Test {
  protected:
    static void SetUpTestSuite() { skintest::decodeCarriedPictures(); }

    void SetUp() override {
        resetAppState();
        ASSERT_TRUE(gui::createWindow(win::MainWindow, gui::WindowStyle::Popup, 727, 400, "hover"));
        for (const skintest::Spot& spot : skintest::spotsOf(img::Mp3Skin))
            if (spot.name.find("Panel") == std::string::npos && spot.control != ctl::SpectrumBarFirst)
                gui::createPicture(spot.control, win::MainWindow, 0, spot.rect, 0);
        gui::createPicture(ctl::SearchButton, win::MainWindow, 0, {226, 30, 65, 17}, 0);
        gui::createPicture(ctl::SiteLogoLink, win::MainWindow, 0, {15, 350, 125, 30}, 0);
        gui::createPicture(ctl::RecordButton, win::MainWindow, 0, {1290, 353, 14, 14}, 0);
        gui::showWindow(win::MainWindow);
        gui::waitWindowEvent(20);
        origin_ = gui::windowClientRect(win::MainWindow);
        moveTo(-50, -50);
    }
    void TearDown() override { gui::destroyWindow(win::MainWindow); }

    // Moves the pointer to (x, y) of MainWindow and runs the handlers once.
    void moveTo(int x, int y, int event = kMouseMove) {
        gui::simulateMouseMove({origin_.x + x, origin_.y + y});
        UpdateHoverFeedback(event, 0);
    }

    gui::Rect origin_;
};

TEST_F(HoverFeedback, CursorOverControlUsesHalfOpenBounds) {
    const gui::Rect close = gui::controlScreenRect(ctl::CloseButton);
    EXPECT_TRUE(IsCursorOverControl({close.x, close.y}, close));
    EXPECT_TRUE(IsCursorOverControl({close.x + close.w - 1, close.y + close.h - 1}, close));
    EXPECT_FALSE(IsCursorOverControl({close.x + close.w, close.y}, close));
    EXPECT_FALSE(IsCursorOverControl({close.x, close.y + close.h}, close));
    EXPECT_FALSE(IsCursorOverControl({close.x, close.y}, gui::controlScreenRect(9999))) << "unknown control";
}

TEST_F(HoverFeedback, LitPictureFollowsThePointer) {
    moveTo(700, 10);
    EXPECT_EQ(appState.closeHover, 1);
    EXPECT_EQ(appState.cursorHover, 1);
    EXPECT_EQ(gui::controlImage(ctl::CloseButton), img::CloseHoverImage);
    EXPECT_EQ(gui::controlRect(ctl::CloseButton), (gui::Rect{697, 5, 23, 13})) << "lighting keeps the size";
    moveTo(702, 12);  // still over it: shown again, nothing else changes
    EXPECT_EQ(gui::controlImage(ctl::CloseButton), img::CloseHoverImage);

    moveTo(600, 200);
    EXPECT_EQ(appState.closeHover, 0);
    EXPECT_EQ(appState.cursorHover, 0);
    EXPECT_EQ(gui::controlImage(ctl::CloseButton), 0);
    EXPECT_EQ(gui::controlRect(ctl::CloseButton), (gui::Rect{697, 5, 23, 13})) << "the hotspot keeps working";
}

TEST_F(HoverFeedback, OnlyMouseMovesChangeAnything) {
    gui::simulateMouseMove({origin_.x + 380, origin_.y + 360});
    for (int event : {0, int(gui::EventKind::LeftButtonDown), int(gui::EventKind::Control)})
        UpdateHoverFeedback(event, ctl::PlayButton);
    EXPECT_EQ(appState.playHover, 0);
    EXPECT_EQ(appState.cursorHover, 0);
    EXPECT_EQ(gui::controlImage(ctl::PlayButton), 0);

    moveTo(380, 360);
    EXPECT_EQ(appState.playHover, 1);
    // Leaving without a mouse move (the pointer left every program window)
    // keeps the button lit until the next move over the program.
    gui::simulateMouseMove({origin_.x + 2000, origin_.y + 2000});
    UpdateHoverFeedback(0, 0);
    EXPECT_EQ(appState.playHover, 1);
    EXPECT_EQ(gui::controlImage(ctl::PlayButton), img::PlayHoverImage);
}

TEST_F(HoverFeedback, ModeButtonsShowThePictureOfTheirLabel) {
    moveTo(670, 40);
    EXPECT_EQ(gui::controlImage(ctl::RadioModeButton), img::RadioHoverImage);
    moveTo(600, 40);
    EXPECT_EQ(appState.radioHover, 0);
    EXPECT_EQ(gui::controlImage(ctl::RadioModeButton), 0);
    EXPECT_EQ(appState.mp3Hover, 1);
    EXPECT_EQ(gui::controlImage(ctl::Mp3ModeButton), img::Mp3HoverImage);

    appState.mp3Mode = 1;  // the mp3 skin labels this button "ПОИСК"
    moveTo(601, 40);
    EXPECT_EQ(gui::controlImage(ctl::Mp3ModeButton), img::SearchHoverImage);
    appState.mp3Mode = 0;
    appState.radioMode = 1;  // and the radio skin the other one
    moveTo(671, 40);
    EXPECT_EQ(gui::controlImage(ctl::RadioModeButton), img::SearchHoverImage);
    EXPECT_EQ(appState.mp3Hover, 0);
    EXPECT_EQ(gui::controlImage(ctl::Mp3ModeButton), 0);

    moveTo(295, 360);
    EXPECT_EQ(appState.openFolderHover, 1);
    EXPECT_EQ(gui::controlImage(ctl::OpenFolderButton), img::OpenFolderHoverImage);
    EXPECT_EQ(appState.radioHover, 0);
}

TEST_F(HoverFeedback, HandCursorOverEveryHotspotButNotOverTheSkin) {
    for (auto [x, y] : {std::pair{50, 10},
                        {660, 10},
                        {685, 10},
                        {250, 38},
                        {300, 88},
                        {60, 365},
                        {380, 360},
                        {467, 360},
                        {660, 355},
                        {300, 360},
                        {400, 334}}) {
        moveTo(x, y);
        EXPECT_EQ(appState.cursorHover, 1) << x << "," << y;
        EXPECT_NE(HandCursorHit(), 0) << x << "," << y;
    }
    moveTo(200, 200);
    EXPECT_EQ(appState.cursorHover, 0);
    EXPECT_EQ(HandCursorHit(), 0);
    moveTo(520, 365);  // the volume bar is the second handler's, not a hotspot
    EXPECT_EQ(HandCursorHit(), 0);
}

// A hand shown over an icon column is the list widget's cursor; it must not
// stay over the rest of the list.
TEST_F(HoverFeedback, HandOverTheIconColumnOnlyNotTheWholeList) {
    gui::createList(ctl::SearchResultsList, win::MainWindow, 0, {15, 35, 440, 280}, "", 420, true, {0, 0, 0});
    gui::listAddRow(ctl::SearchResultsList, "0. row", 0);
    moveTo(22, 100);
    EXPECT_TRUE(gui::handCursorShown());
    moveTo(200, 100);
    EXPECT_FALSE(gui::handCursorShown());
    EXPECT_EQ(appState.cursorHover, 0);
}

// The second handler is the volume drag: over the bar it takes the pointer
// (without being a hotspot of the first handler) and lets it go elsewhere.
TEST_F(HoverFeedback, VolumeBarIsHandledByTheSecondHandler) {
    moveTo(520, 365);
    EXPECT_EQ(appState.pointerOverVolume, 1);
    EXPECT_EQ(appState.cursorHover, 0);
    moveTo(520, 300);
    EXPECT_EQ(appState.pointerOverVolume, 0);
}

TEST_F(HoverFeedback, FirstHitOfTheHandCursorListWins) {
    // Overlapping hotspots: the list is tested in its order.
    gui::moveControl(ctl::PositionBar, 690, 8);
    gui::moveControl(ctl::TitleHotspot, 690, 0);
    gui::moveControl(ctl::MinimizeButton, 690, 0);
    moveTo(700, 10);
    EXPECT_EQ(HandCursorHit(), ctl::CloseButton);
    gui::moveControl(ctl::VideoButton, 680, 0);
    EXPECT_EQ(HandCursorHit(), ctl::VideoButton);
    gui::moveControl(ctl::SearchButton, 690, 0);
    EXPECT_EQ(HandCursorHit(), ctl::SearchButton);
}

}  // namespace
