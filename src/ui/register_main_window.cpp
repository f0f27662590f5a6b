// Every control of MainWindow, in its creation order, in the four parts
// between which start-up fills the lists.
#include "platform/gui/gui.h"
#include "ui/ids.h"
#include "ui/layout.h"
#include "ui/register.h"

namespace {

constexpr gui::Rgb kBlack{0, 0, 0};

void hotspot(int control) {
    gui::createPicture(control, win::MainWindow, 0, layout::place(control), 0);
}
void picture(int control, int image) {
    gui::createPicture(control, win::MainWindow, 0, layout::place(control), image);
}

// A list inside its own clipping panel, placed so that only its rows show.
void clippedList(int panel, bool blackPanel, int list, const char* caption, int columnWidth) {
    gui::createPanel(panel, win::MainWindow, 0, layout::place(panel), blackPanel);
    gui::createList(list, win::MainWindow, panel, layout::place(list), caption, columnWidth, true, kBlack);
}

}  // namespace

void buildSearchFieldControls() {
    gui::createEdit(ctl::SearchField, win::MainWindow, 0, layout::place(ctl::SearchField),
                    "Depeche Mode Remix", false);
    gui::setEditColours(ctl::SearchField, {200, 200, 200}, {24, 24, 24});
    gui::createPanel(ctl::HistoryHolder, win::MainWindow, 0, layout::place(ctl::HistoryHolder), false);
    gui::createCombo(ctl::HistoryCombo, win::MainWindow, ctl::HistoryHolder, layout::place(ctl::HistoryCombo),
                     {114, 114, 114}, {24, 24, 24});
}

void buildFirstLists() {
    clippedList(ctl::SearchResultsPanel, true, ctl::SearchResultsList, "Название mp3 файлов", 490);
    clippedList(ctl::PlaylistPanel, false, ctl::PlaylistList, "Плейлист", 230);
    clippedList(ctl::StylePanel, true, ctl::StyleList, "Стиль", 200);
}

void buildStationList() {
    clippedList(ctl::StationPanel, true, ctl::StationList, "Название станции", 350);
}

void buildControlsAfterLists() {
    clippedList(ctl::LocalFilesPanel, true, ctl::LocalFilesList, "Название mp3 файлов", 490);

    hotspot(ctl::ArtistIndexLink);
    hotspot(ctl::TitleHotspot);
    picture(ctl::ConnectionIndicator, img::ConnectionImage);
    hotspot(ctl::SearchButton);
    hotspot(ctl::SiteLogoLink);
    hotspot(ctl::PlayButton);
    hotspot(ctl::PreviousButton);
    hotspot(ctl::NextButton);
    hotspot(ctl::MinimizeButton);
    hotspot(ctl::AboutButton);
    hotspot(ctl::CloseButton);
    hotspot(ctl::PauseIndicator);
    // The pause symbol only shows; clicks on it belong to the play button beneath.
    gui::setClickThrough(ctl::PauseIndicator);
    picture(ctl::TimeDisplay, img::TimeImage);
    picture(ctl::VolumeBar, img::VolumeImage);
    picture(ctl::StatusStrip, img::StatusImage);
    hotspot(ctl::RecordButton);
    hotspot(ctl::MuteButton);
    hotspot(ctl::RadioModeButton);
    hotspot(ctl::Mp3ModeButton);
    hotspot(ctl::OpenFolderButton);
    picture(ctl::PositionBar, img::PositionImage);
    hotspot(ctl::VideoButton);
    // The bands change on every refresh while something plays: the window
    // paints them itself, in one rectangle, rather than 108 widgets.
    for (int k = 0; k < ctl::SpectrumBandCount; ++k) {
        gui::createPicture(ctl::SpectrumBarFirst + k, win::MainWindow, 0, layout::spectrumBand(k),
                           img::SpectrumBarImage);
        gui::drawOnWindow(ctl::SpectrumBarFirst + k);
    }

    // The album and radio pictures start out of sight: decoded when shown.
    gui::loadImageFileWhenUsed(img::AlbumPlaceholderImage, "999.jpg");
    gui::loadImageFileWhenUsed(img::RadioPictureImage, "333.jpg");
    gui::loadImageFile(img::SearchPictureImage, "DM.jpg");
    picture(ctl::AlbumPhoto, img::AlbumPlaceholderImage);
    picture(ctl::RadioPicture, img::RadioPictureImage);
    picture(ctl::SearchPicture, img::SearchPictureImage);
}

void attachTooltips() {
    gui::setTooltip(ctl::PlayButton, "Пауза");
    gui::setTooltip(ctl::RecordButton, "Запись");
    gui::setTooltip(ctl::AlbumPhoto, "Поместить в альбом, фото исполнителя jpg 270x210 с именем яяя");
    gui::setTooltip(ctl::VideoButton, "Скачать видео YouTube");
}
