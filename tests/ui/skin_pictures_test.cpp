// The carried artwork against what the program relies on: sizes, the key
// colour where the window is cut away, every hotspot over a drawn part of its
// skin, lit pictures that fit their buttons, and the files beside the program.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "skin_fixture.h"
#include "ui/ids.h"
#include "ui/skin.h"

namespace {

constexpr gui::Rgb kKey{32, 254, 2};

class SkinPictures : public testing::Test {
  protected:
    static void SetUpTestSuite() { skintest::decodeCarriedPictures(); }
};

TEST_F(SkinPictures, HaveTheirSizes) {
    const struct {
        int image, w, h;
    } sizes[] = {
        {img::SearchSkin, 727, 400},         {img::TimeBackImage, 43, 15},
        {img::VolumeBackImage, 67, 18},      {img::VolumeKnobImage, 8, 8},
        {img::StatusBackImage, 715, 16},     {img::PauseImage, 38, 38},
        {img::CloseHoverImage, 23, 13},      {img::RecordingImage, 14, 14},
        {img::MutedImage, 21, 20},           {img::RadioHoverImage, 60, 31},
        {img::RadioSkin, 727, 400},          {img::SearchHoverImage, 60, 31},
        {img::PlayHoverImage, 47, 47},       {img::CompactSkin, 727, 83},
        {img::Mp3HoverImage, 60, 31},        {img::Mp3Skin, 727, 400},
        {img::OpenFolderHoverImage, 18, 17}, {img::VideoSplashImage, 520, 330},
    };
    for (const auto& s : sizes) EXPECT_EQ(gui::imageSize(s.image), (gui::Rect{0, 0, s.w, s.h})) << s.image;
}

// Rounded corners and the last three columns are cut away; the rest of the
// window is solid.
TEST_F(SkinPictures, WindowSkinsAreCutAwayAtCornersAndRightEdge) {
    for (int skin : {img::SearchSkin, img::RadioSkin, img::Mp3Skin, img::CompactSkin}) {
        SCOPED_TRACE(skin);
        const gui::Rect size = gui::imageSize(skin);
        const int right = size.w - 3, bottom = size.h - 1;
        for (gui::Point p : {gui::Point{0, 0},
                             {2, 2},
                             {right - 1, 0},
                             {right - 3, 2},
                             {0, bottom},
                             {2, bottom - 2},
                             {right - 1, bottom},
                             {right - 3, bottom - 2}})
            EXPECT_EQ(gui::imagePixel(skin, p.x, p.y), kKey) << p.x << "," << p.y;
        for (int y = 0; y < size.h; ++y)
            for (int x = right; x < size.w; ++x)
                ASSERT_EQ(gui::imagePixel(skin, x, y), kKey) << x << "," << y;

        const auto kept = skintest::pixelsOf(RegionFromBitmap(skin, 0, 0));
        // Everything but the four rounded corners (radius 10) is kept.
        const size_t corners = size_t(size.w * size.h - right * size.h) + kept.size();
        EXPECT_LT(size_t(size.w * size.h) - corners, 4u * 30u);
        EXPECT_GT(size_t(size.w * size.h) - corners, 4u * 15u);
        EXPECT_TRUE(kept.count({right / 2, 0}) && kept.count({0, size.h / 2}) &&
                    kept.count({right - 1, size.h / 2}));
    }
}

// Each hotspot lies inside the window (but for the rounded corners) and over
// something drawn (not one flat colour).
TEST_F(SkinPictures, EveryHotspotIsInsideTheWindowOverDrawnArt) {
    for (int skin : {img::SearchSkin, img::RadioSkin, img::Mp3Skin, img::CompactSkin}) {
        const auto kept = skintest::pixelsOf(RegionFromBitmap(skin, 0, 0));
        for (const skintest::Spot& spot : skintest::spotsOf(skin)) {
            SCOPED_TRACE(std::to_string(skin) + " " + spot.name);
            std::set<uint32_t> colours;
            for (int y = spot.rect.y; y < spot.rect.y + spot.rect.h; ++y)
                for (int x = spot.rect.x; x < spot.rect.x + spot.rect.w; ++x) {
                    const bool corner = (x < 10 || x >= 714) && (y < 10 || y >= gui::imageSize(skin).h - 10);
                    ASSERT_TRUE(corner || kept.count({x, y})) << x << "," << y;
                    const gui::Rgb c = gui::imagePixel(skin, x, y);
                    colours.insert(uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b);
                }
            const bool hole = spot.name.find("Panel") != std::string::npos || spot.name == "SpectrumBars";
            const bool shownByProgram =
                spot.control == ctl::StatusStrip || spot.control == ctl::SearchField ||
                spot.control == ctl::TimeDisplay || spot.control == ctl::VolumeBar ||
                spot.control == ctl::ConnectionIndicator || spot.control == ctl::PositionBar ||
                spot.control == ctl::RadioPicture || spot.control == ctl::AlbumPhoto;
            if (hole) {
                EXPECT_EQ(colours, std::set<uint32_t>{0}) << "a list or the bands sit on black";
            } else if (!shownByProgram) {
                EXPECT_GT(colours.size(), 3u) << "a button is drawn under the hotspot";
            }
        }
    }
}

// A lit picture replaces the skin under its button: same size, different
// pixels, and (the plain ones) the same backdrop at the border, so lighting
// a button shows no seam.
TEST_F(SkinPictures, LitPicturesFitTheButtonsTheyLight) {
    const struct {
        int picture, skin;
        gui::Rect at;
    } lit[] = {
        {img::CloseHoverImage, img::SearchSkin, {697, 5, 23, 13}},
        {img::RadioHoverImage, img::SearchSkin, {646, 23, 60, 31}},
        {img::Mp3HoverImage, img::SearchSkin, {585, 23, 60, 31}},
        {img::SearchHoverImage, img::RadioSkin, {646, 23, 60, 31}},
        {img::SearchHoverImage, img::Mp3Skin, {585, 23, 60, 31}},
        {img::OpenFolderHoverImage, img::Mp3Skin, {288, 352, 18, 17}},
        {img::RecordingImage, img::SearchSkin, {290, 353, 14, 14}},
        {img::MutedImage, img::SearchSkin, {457, 351, 21, 20}},
    };
    for (const auto& l : lit) {
        SCOPED_TRACE(std::to_string(l.picture) + " on " + std::to_string(l.skin));
        ASSERT_EQ(gui::imageSize(l.picture), (gui::Rect{0, 0, l.at.w, l.at.h}));
        int differing = 0, borderSame = 0, border = 0;
        for (int y = 0; y < l.at.h; ++y)
            for (int x = 0; x < l.at.w; ++x) {
                const bool same =
                    gui::imagePixel(l.picture, x, y) == gui::imagePixel(l.skin, l.at.x + x, l.at.y + y);
                differing += !same;
                if (x == 0 || y == 0 || x == l.at.w - 1 || y == l.at.h - 1) {
                    ++border;
                    borderSame += same;
                }
            }
        EXPECT_GT(differing, l.at.w * l.at.h / 20);
        // The lit close button is a whole plate; the others sit on the skin's backdrop.
        if (l.picture != img::CloseHoverImage) {
            EXPECT_GE(borderSame * 2, border);
        }
    }
}

TEST_F(SkinPictures, AlphaPicturesAreTransparentOutsideTheirDisc) {
    for (int picture : {img::PauseImage, img::PlayHoverImage}) {
        const gui::Rect size = gui::imageSize(picture);
        EXPECT_EQ(gui::imageAlpha(picture, 0, 0), 0) << picture;
        EXPECT_EQ(gui::imageAlpha(picture, size.w - 1, size.h - 1), 0) << picture;
        EXPECT_EQ(gui::imageAlpha(picture, size.w / 2, size.h / 2), 255) << picture;
    }
}

TEST(SkinFilesBesideTheProgram, DecodeWithTheSizesTheLayoutNeeds) {
    const std::string data = std::string(KESTREL_SOURCE_DIR) + "/data/";
    const struct {
        const char* file;
        int w, h;
    } files[] = {
        {"999.jpg", 270, 210},  // album placeholder, 435..705 x 105..315 in mp3 mode
        {"333.jpg", 235, 210},  // radio picture, 465..700 x 105..315 beside the stations
        {"DM.jpg", 290, 220},   // search picture over the empty result list at 85, 96
        {"icon.png", 16, 16},
    };
    for (const auto& f : files) {
        ASSERT_TRUE(gui::loadImageFile(9100, data + f.file)) << f.file;
        EXPECT_EQ(gui::imageSize(9100), (gui::Rect{0, 0, f.w, f.h})) << f.file;
        gui::deleteImage(9100);
    }
}

}  // namespace
