// The pictures of the 35 ms refresh, checked pixel by pixel on canvases and
// plain stand-in backgrounds made by the test.
#include "audio/display_refresh.h"

#include <gtest/gtest.h>

#include "platform/gui/gui_testing.h"
#include "platform/net/net_testing.h"
#include "state/app_state.h"
#include "ui/ids.h"
#include "ui/register.h"

namespace {

constexpr gui::Rgb kBlack{0, 0, 0};
constexpr gui::Rgb kDark{188, 1, 3};
constexpr gui::Rgb kBright{251, 1, 4};
constexpr gui::Rgb kWhite{255, 255, 255};

class DisplayRefresh : public testing::Test {
  protected:
    void SetUp() override {
        resetAppState();
        appState.volumeFill = 33;
        createCanvasImages();
        // Plain backgrounds and a white knob, so that every drawn pixel is known.
        gui::createImage(img::StatusBackImage, 715, 16);
        gui::createImage(img::TimeBackImage, 45, 15);
        gui::createImage(img::VolumeBackImage, 67, 18);
        gui::createImage(img::VolumeKnobImage, 8, 8);
        gui::fillRect(img::VolumeKnobImage, {0, 0, 8, 8}, kWhite);
        loadFonts();
        gui::createWindow(win::MainWindow, gui::WindowStyle::Popup, 727, 400, "test");
        for (int control : {int(ctl::StatusStrip), int(ctl::TimeDisplay), int(ctl::VolumeBar),
                            int(ctl::ConnectionIndicator), int(ctl::PositionBar)})
            gui::createPicture(control, win::MainWindow, 0, {0, 0, 1, 1}, 0);
        for (int k = 0; k < ctl::SpectrumBandCount; ++k)
            gui::createPicture(ctl::SpectrumBarFirst + k, win::MainWindow, 0, {346 + 2 * k, 31, 1, 15}, 0);
    }
    void TearDown() override {
        net::overrideConnected(std::nullopt);
        gui::releaseAll();
    }

    // The band's column, top row first.
    static std::vector<gui::Rgb> band(float value) {
        drawSpectrumBand(value);
        std::vector<gui::Rgb> rows;
        for (int y = 0; y < 15; ++y) rows.push_back(gui::imagePixel(img::SpectrumBarImage, 0, y));
        return rows;
    }
    static std::vector<gui::Rgb> column(int blackRows, int brightRows, int darkRows) {
        std::vector<gui::Rgb> rows(blackRows, kBlack);
        rows.insert(rows.end(), brightRows, kBright);
        rows.insert(rows.end(), darkRows, kDark);
        return rows;
    }
};

}  // namespace

TEST_F(DisplayRefresh, BandHeightsRoundHalfToEven) {
    EXPECT_EQ(bandHeight(0.0625f), 12);  // 12.5
    EXPECT_EQ(bandHeight(0.0675f), 14);  // 13.5
    EXPECT_EQ(bandHeight(0.0f), 0);
    EXPECT_EQ(bandHeight(-0.5f), 0);
    EXPECT_EQ(bandHeight(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(bandHeight(std::numeric_limits<float>::infinity()), 1000);
    EXPECT_EQ(bandHeight(3.0f), 600);
}

TEST_F(DisplayRefresh, BandsGrowFromTheBottomWithABrightCapOfASixth) {
    EXPECT_EQ(band(0.0625f), column(3, 2, 10));  // h = 12, cap rows 3 and 4
    EXPECT_EQ(band(0.025f), column(10, 0, 5));   // h = 5: no cap yet
    EXPECT_EQ(band(0.005f), column(14, 0, 1));   // h = 1
    EXPECT_EQ(band(0.075f), column(0, 2, 13));   // h = 15 fills the band, cap rows 0 and 1
    EXPECT_EQ(band(0.08f), column(0, 1, 14));    // h = 16: only row 0 bright
    EXPECT_EQ(band(0.085f), column(0, 0, 15));   // h = 17: the cap lies above the picture
    EXPECT_EQ(band(1.0f), column(0, 0, 15));
    EXPECT_EQ(band(0.0f), column(15, 0, 0));
}

TEST_F(DisplayRefresh, TimeText) {
    EXPECT_EQ(timeText(3725000), "62:05") << "the minutes never wrap at the hour";
    EXPECT_EQ(timeText(65000), "1:05");
    EXPECT_EQ(timeText(5000), "0:05");
    EXPECT_EQ(timeText(999), "0:00");
    EXPECT_EQ(timeText(600000), "10:00");

    // From 100 minutes on the whole text stays inside the picture, right of
    // the clock at its left: no ink in its last column.
    for (uint32_t ms : {6065000u, 59999000u}) {
        appState.positionMs = ms;
        refreshDisplay();
        int first = 45, last = -1;
        for (int x = 0; x < 45; ++x)
            for (int y = 0; y < 15; ++y)
                if (gui::imagePixel(img::TimeImage, x, y).g > 60) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
        EXPECT_GE(first, 12) << timeText(ms);
        EXPECT_LT(last, 44) << timeText(ms);
        EXPECT_GT(last - first, 22) << timeText(ms);
    }
}

TEST_F(DisplayRefresh, PositionBar) {
    appState.trackLengthSeconds = 180;
    appState.positionMs = 90000;
    refreshDisplay();
    EXPECT_EQ(gui::imagePixel(img::PositionImage, 0, 0), (gui::Rgb{15, 15, 15}));
    EXPECT_EQ(gui::imagePixel(img::PositionImage, 349, 1), (gui::Rgb{222, 32, 30}));
    EXPECT_EQ(gui::imagePixel(img::PositionImage, 350, 1), (gui::Rgb{60, 60, 60}));
    EXPECT_EQ(gui::imagePixel(img::PositionImage, 699, 2), (gui::Rgb{83, 83, 83}));
    // A length of 0 becomes 1 for good, and a second fills the bar.
    appState.trackLengthSeconds = 0;
    appState.positionMs = 1000;
    refreshDisplay();
    EXPECT_EQ(appState.trackLengthSeconds, 1);
    EXPECT_EQ(gui::imagePixel(img::PositionImage, 699, 1), (gui::Rgb{222, 32, 30}));
    EXPECT_EQ(positionFill(500000000, 1), 700);  // far past the end: still the bar's width
    EXPECT_EQ(positionFill(999, 180), 0);
}

TEST_F(DisplayRefresh, VolumeRowsAndKnob) {
    const gui::Rgb rows[] = {{105, 0, 0}, {237, 45, 49}, {219, 24, 32}, {255, 100, 114}};
    appState.volumeFill = 60;
    refreshDisplay();
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(gui::imagePixel(img::VolumeImage, 1, 2 + r), rows[r]);
        EXPECT_EQ(gui::imagePixel(img::VolumeImage, 57, 2 + r), rows[r]);
    }
    EXPECT_EQ(gui::imagePixel(img::VolumeImage, 0, 2), kBlack);
    EXPECT_EQ(gui::imagePixel(img::VolumeImage, 58, 2), kWhite);  // the knob from x = 58
    EXPECT_EQ(gui::imagePixel(img::VolumeImage, 65, 7), kWhite);
    EXPECT_EQ(gui::imagePixel(img::VolumeImage, 66, 2), kBlack);
    EXPECT_EQ(gui::imagePixel(img::VolumeImage, 61, 8), kBlack);

    appState.volumeFill = 2;
    refreshDisplay();
    EXPECT_EQ(gui::imagePixel(img::VolumeImage, 0, 0), kWhite);  // the knob at x = 0
    EXPECT_EQ(gui::imagePixel(img::VolumeImage, 7, 7), kWhite);
    EXPECT_EQ(gui::imagePixel(img::VolumeImage, 8, 2), kBlack);
    EXPECT_EQ(gui::imagePixel(img::VolumeImage, 3, 8), kBlack);
}

TEST_F(DisplayRefresh, ConnectionMarkIsRedWhenConnectedAndGreyWhenNot) {
    net::overrideConnected(true);
    refreshDisplay();
    EXPECT_EQ(gui::imagePixel(img::ConnectionImage, 0, 0), (gui::Rgb{227, 5, 3}));
    EXPECT_EQ(gui::imagePixel(img::ConnectionImage, 12, 0), (gui::Rgb{227, 5, 3}));
    EXPECT_EQ(gui::imagePixel(img::ConnectionImage, 13, 0), (gui::Rgb{26, 26, 26}));
    EXPECT_EQ(gui::imagePixel(img::ConnectionImage, 6, 8), (gui::Rgb{227, 5, 3}));
    EXPECT_EQ(gui::imagePixel(img::ConnectionImage, 5, 8), (gui::Rgb{26, 26, 26}));
    net::overrideConnected(false);
    refreshDisplay();
    EXPECT_EQ(gui::imagePixel(img::ConnectionImage, 4, 4), (gui::Rgb{63, 63, 63}));
}

TEST_F(DisplayRefresh, StatusStripShowsTheTitleOrTheRedRecordingCaption) {
    auto reddest = [] {
        int best = 0;
        for (uint32_t p : gui::imagePixels(img::StatusImage)) {
            const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF;
            best = std::max(best, r - g);
        }
        return best;
    };
    auto brightest = [] {
        uint32_t best = 0;
        for (uint32_t p : gui::imagePixels(img::StatusImage)) best = std::max(best, (p >> 8) & 0xFF);
        return best;
    };
    appState.nowPlayingText = "Исполнитель - Песня";
    refreshDisplay();
    EXPECT_GT(brightest(), 100u);  // grey text
    EXPECT_LT(reddest(), 10);
    EXPECT_EQ(gui::tooltip(ctl::StatusStrip), "");
    // A text too long for the strip ends in "…" before its edge and is whole in the tooltip.
    std::string longText;
    for (int i = 0; i < 40; ++i) longText += "Исполнитель " + std::to_string(i) + " ";
    appState.nowPlayingText = longText;
    refreshDisplay();
    EXPECT_EQ(gui::tooltip(ctl::StatusStrip), longText);
    for (int x = 708; x < 715; ++x)
        for (int y = 0; y < 16; ++y)
            EXPECT_LT(gui::imagePixel(img::StatusImage, x, y).g, 60) << x << "," << y;
    appState.recordingCaption = "Песня";
    appState.recordingActive = 1;
    refreshDisplay();
    EXPECT_GT(reddest(), 150);
    EXPECT_LT(brightest(), 20u);  // the grey title is gone
}

TEST_F(DisplayRefresh, OnlyChangedPicturesAreHandedOverAndEachBandKeepsItsOwn) {
    net::overrideConnected(true);
    for (int k = 0; k < ctl::SpectrumBandCount; ++k) appState.spectrum[k] = k % 2 ? 0.075f : 0.0f;
    refreshDisplay();
    // Every band control shows the canvas as it was for its own band.
    for (int k = 0; k < ctl::SpectrumBandCount; ++k)
        EXPECT_EQ(gui::controlImage(ctl::SpectrumBarFirst + k), img::SpectrumBarImage);
    // A second tick with nothing changed changes no shown picture.
    for (int k = 0; k < ctl::SpectrumBandCount; ++k) {
        drawSpectrumBand(appState.spectrum[k]);
        EXPECT_FALSE(gui::setControlImage(ctl::SpectrumBarFirst + k, img::SpectrumBarImage)) << "band " << k;
    }
    drawSpectrumBand(0.05f);
    EXPECT_TRUE(gui::setControlImage(ctl::SpectrumBarFirst, img::SpectrumBarImage));
}
