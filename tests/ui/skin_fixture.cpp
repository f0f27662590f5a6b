#include "skin_fixture.h"

#include <gtest/gtest.h>

#include "resources/skin_pictures.h"
#include "ui/ids.h"
#include "ui/register.h"

namespace skintest {

void decodeCarriedPictures() {
    for (const CarriedPicture& picture : carriedPictures())
        ASSERT_TRUE(gui::loadImage(picture.image, skinPicturePng(picture.name))) << picture.name;
}

std::vector<Spot> spotsOf(int skin) {
    // The top strip is shared by every skin.
    std::vector<Spot> spots = {
        {"TitleHotspot", ctl::TitleHotspot, {0, 0, 100, 25}},
        {"MinimizeButton", ctl::MinimizeButton, {650, 5, 20, 12}},
        {"AboutButton", ctl::AboutButton, {675, 5, 20, 12}},
        {"CloseButton", ctl::CloseButton, {697, 5, 23, 13}},
        {"RadioModeButton", ctl::RadioModeButton, {646, 23, 60, 31}},
        {"Mp3ModeButton", ctl::Mp3ModeButton, {585, 23, 60, 31}},
        {"SpectrumBars", ctl::SpectrumBarFirst, {346, 31, 215, 15}},
        {"StatusStrip", ctl::StatusStrip, {5, 58, 715, 16}},
    };
    if (skin == img::CompactSkin) {
        spots.push_back({"SearchField", ctl::SearchField, {43, 32, 180, 15}});
        spots.push_back({"SearchButton", ctl::SearchButton, {226, 30, 65, 17}});
        return spots;
    }
    const std::vector<Spot> transport = {
        {"ArtistIndexLink", ctl::ArtistIndexLink, {265, 82, 105, 14}},
        {"ConnectionIndicator", ctl::ConnectionIndicator, {400, 84, 14, 9}},
        {"PlayButton", ctl::PlayButton, {358, 337, 47, 47}},
        {"TimeDisplay", ctl::TimeDisplay, {232, 352, 45, 15}},
        {"MuteButton", ctl::MuteButton, {457, 351, 21, 20}},
        {"VolumeBar", ctl::VolumeBar, {491, 356, 67, 18}},
        {"VideoButton", ctl::VideoButton, {630, 342, 70, 30}},
    };
    spots.insert(spots.end(), transport.begin(), transport.end());
    if (skin == img::SearchSkin) {
        spots.push_back({"SearchField", ctl::SearchField, {43, 32, 180, 15}});
        spots.push_back({"SearchButton", ctl::SearchButton, {226, 30, 65, 17}});
        spots.push_back({"SearchResultsPanel", ctl::SearchResultsPanel, {15, 99, 438, 222}});
        spots.push_back({"PlaylistPanel", ctl::PlaylistPanel, {462, 99, 235, 222}});
        spots.push_back({"SiteLogoLink", ctl::SiteLogoLink, {15, 350, 125, 30}});
        spots.push_back({"RecordButton", ctl::RecordButton, {290, 353, 14, 14}});
    } else if (skin == img::RadioSkin) {
        spots.push_back({"StylePanel", ctl::StylePanel, {16, 99, 143, 220}});
        spots.push_back({"StationPanel", ctl::StationPanel, {166, 99, 286, 220}});
        spots.push_back({"RadioPicture", ctl::RadioPicture, {465, 105, 235, 210}});
        spots.push_back({"RecordButton", ctl::RecordButton, {290, 353, 14, 14}});
    } else if (skin == img::Mp3Skin) {
        spots.push_back({"LocalFilesPanel", ctl::LocalFilesPanel, {15, 99, 412, 222}});
        spots.push_back({"AlbumPhoto", ctl::AlbumPhoto, {435, 105, 270, 210}});
        spots.push_back({"OpenFolderButton", ctl::OpenFolderButton, {288, 352, 18, 17}});
        spots.push_back({"PositionBar", ctl::PositionBar, {11, 333, 700, 3}});
    }
    return spots;
}

std::set<std::pair<int, int>> pixelsOf(const std::vector<gui::Rect>& rects) {
    std::set<std::pair<int, int>> pixels;
    for (const gui::Rect& r : rects)
        for (int y = r.y; y < r.y + r.h; ++y)
            for (int x = r.x; x < r.x + r.w; ++x)
                EXPECT_TRUE(pixels.insert({x, y}).second) << "rectangles overlap at " << x << "," << y;
    return pixels;
}

}  // namespace skintest
