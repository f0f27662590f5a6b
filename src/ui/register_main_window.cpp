// Every control of MainWindow, in its creation order, in the four parts
// between which start-up fills the lists.
#include "platform/gui/gui.h"
#include "state/app_state.h"
#include "ui/ids.h"
#include "ui/register.h"

namespace {

constexpr gui::Rgb kBlack{0, 0, 0};

void hotspot(int control, gui::Rect r) {
    gui::createPicture(control, win::MainWindow, 0, r, 0);
}
void picture(int control, gui::Rect r, int image) {
    gui::createPicture(control, win::MainWindow, 0, r, image);
}

// A list inside its own clipping panel, placed so that only its rows show.
void clippedList(int panel, gui::Rect panelRect, bool blackPanel, int list, gui::Rect listRect,
                 const char* caption, int columnWidth) {
    gui::createPanel(panel, win::MainWindow, 0, panelRect, blackPanel);
    gui::createList(list, win::MainWindow, panel, listRect, caption, columnWidth, true, kBlack);
}

}  // namespace

void buildSearchFieldControls() {
    gui::createEdit(ctl::SearchField, win::MainWindow, 0, {43, 32, 180, 15}, "Depeche Mode Remix", false);
    gui::setEditColours(ctl::SearchField, {200, 200, 200}, {24, 24, 24});
    gui::createPanel(ctl::HistoryHolder, win::MainWindow, 0, {30, 40, 100, 0}, false);
    gui::createCombo(ctl::HistoryCombo, win::MainWindow, ctl::HistoryHolder, {0, 5, 250, 10}, {114, 114, 114},
                     {24, 24, 24});
}

void buildFirstLists() {
    clippedList(ctl::SearchResultsPanel, {15, 99, 438, 222}, true, ctl::SearchResultsList,
                {-2, -26, 540, 249}, "Название mp3 файлов", 490);
    clippedList(ctl::PlaylistPanel, {462, 99, 235, 222}, false, ctl::PlaylistList, {-2, -26, 290, 249},
                "Плейлист", 230);
    clippedList(ctl::StylePanel, {-1000, 99, 143, 220}, true, ctl::StyleList, {-2, -26, 265, 244}, "Стиль",
                200);
}

void buildStationList() {
    clippedList(ctl::StationPanel, {-1000, 99, 286, 220}, true, ctl::StationList, {-2, -26, 390, 244},
                "Название станции", 350);
}

void buildControlsAfterLists() {
    clippedList(ctl::LocalFilesPanel, {-2000, 99, 412, 222}, true, ctl::LocalFilesList, {-2, -26, 433, 269},
                "Название mp3 файлов", 490);

    hotspot(ctl::ArtistIndexLink, {265, 82, 105, 14});
    hotspot(ctl::TitleHotspot, {0, 0, 100, 25});
    picture(ctl::ConnectionIndicator, {400, 84, 14, 9}, img::ConnectionImage);
    hotspot(ctl::SearchButton, {226, 30, 65, 17});
    hotspot(ctl::SiteLogoLink, {15, 350, 125, 30});
    hotspot(ctl::PlayButton, {358, 337, 47, 47});
    // Over the arrows each full-height skin draws either side of the play button.
    hotspot(ctl::PreviousButton, {317, 350, 31, 20});
    hotspot(ctl::NextButton, {415, 350, 31, 20});
    hotspot(ctl::MinimizeButton, {650, 5, 20, 12});
    hotspot(ctl::AboutButton, {675, 5, 20, 12});
    hotspot(ctl::CloseButton, {697, 5, 23, 13});
    hotspot(ctl::PauseIndicator, {362, 341, 38, 38});
    // The pause symbol only shows; clicks on it belong to the play button beneath.
    gui::setClickThrough(ctl::PauseIndicator);
    picture(ctl::TimeDisplay, {232, 352, 43, 15}, img::TimeImage);
    picture(ctl::VolumeBar, {491, 356, 67, 18}, img::VolumeImage);
    picture(ctl::StatusStrip, {5, 58, 715, 16}, img::StatusImage);
    hotspot(ctl::RecordButton, {290, 353, 14, 14});
    hotspot(ctl::MuteButton, {457, 351, 21, 20});
    hotspot(ctl::RadioModeButton, {646, 23, 60, 31});
    hotspot(ctl::Mp3ModeButton, {585, 23, 60, 31});
    hotspot(ctl::OpenFolderButton, {1290, 352, 18, 17});
    picture(ctl::PositionBar, {11, 3333, 0, 0}, img::PositionImage);
    hotspot(ctl::VideoButton, {630, 342, 70, 30});
    // The bands change on every refresh while something plays: the window
    // paints them itself, in one rectangle, rather than 108 widgets.
    for (int k = 0; k < ctl::SpectrumBandCount; ++k) {
        picture(ctl::SpectrumBarFirst + k, {346 + 2 * k, 31, 0, 0}, img::SpectrumBarImage);
        gui::drawOnWindow(ctl::SpectrumBarFirst + k);
    }

    // The album and radio pictures start out of sight: decoded when shown.
    gui::loadImageFileWhenUsed(img::AlbumPlaceholderImage, "999.jpg");
    gui::loadImageFileWhenUsed(img::RadioPictureImage, "333.jpg");
    gui::loadImageFile(img::SearchPictureImage, "DM.jpg");
    picture(ctl::AlbumPhoto, {1435, 105, 0, 0}, img::AlbumPlaceholderImage);
    picture(ctl::RadioPicture, {1465, 105, 0, 0}, img::RadioPictureImage);
    picture(ctl::SearchPicture, {85, 96, 0, 0}, img::SearchPictureImage);
}

void attachTooltips() {
    gui::setTooltip(ctl::PlayButton, "Пауза");
    gui::setTooltip(ctl::RecordButton, "Запись");
    gui::setTooltip(ctl::AlbumPhoto, "Поместить в альбом, фото исполнителя jpg 270x210 с именем яяя");
    gui::setTooltip(ctl::VideoButton, "Скачать видео YouTube");
}
