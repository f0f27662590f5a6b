// Made at start-up before MainWindow: the carried skin pictures, the blank
// canvases, the three fonts and the two row icons drawn stroke by stroke.
#include "platform/gui/gui.h"
#include "resources/skin_pictures.h"
#include "state/app_state.h"
#include "ui/ids.h"
#include "ui/layout.h"
#include "ui/register.h"

std::span<const CarriedPicture> carriedPictures() {
    static constexpr CarriedPicture table[] = {
        {img::SearchSkin, "search_skin"},
        {img::TimeBackImage, "time_back"},
        {img::VolumeBackImage, "volume_back"},
        {img::VolumeKnobImage, "volume_knob"},
        {img::StatusBackImage, "status_back"},
        {img::PauseImage, "pause"},
        {img::CloseHoverImage, "close_hover"},
        {img::RecordingImage, "recording"},
        {img::MutedImage, "muted"},
        {img::RadioHoverImage, "radio_hover"},
        {img::RadioSkin, "radio_skin"},
        {img::SearchHoverImage, "search_hover"},
        {img::PlayHoverImage, "play_hover"},
        {img::CompactSkin, "compact_skin"},
        {img::Mp3HoverImage, "mp3_hover"},
        {img::Mp3Skin, "mp3_skin"},
        {img::OpenFolderHoverImage, "open_folder_hover"},
        {img::VideoSplashImage, "video_splash"},
    };
    return table;
}

void decodeSkinPictures() {
    for (const CarriedPicture& picture : carriedPictures())
        gui::loadPictureWhenUsed(picture.image, skinPictureSource(picture.name));
}

void createCanvasImages() {
    for (const layout::Canvas& canvas : layout::kCanvases) gui::createImage(canvas.image, canvas.w, canvas.h);
}

void loadFonts() {
    gui::createFont(font::TimeFont, "Arial", 9);
    gui::createFont(font::TimeNarrowFont, "Arial Narrow", 9);
    gui::createFont(font::StatusFont, "Arial", 8);
    gui::createFont(font::NumberFont, "Calibri", 8);
}

namespace {

void drawIconFrame(int image) {
    constexpr gui::Rgb frame{131, 131, 131};
    gui::fillRect(image, {2, 1, 11, 1}, frame);
    gui::fillRect(image, {2, 13, 11, 1}, frame);
    gui::fillRect(image, {1, 2, 1, 11}, frame);
    gui::fillRect(image, {13, 2, 1, 11}, frame);
}

}  // namespace

void drawRowIcons() {
    constexpr gui::Rgb mark{180, 180, 180};
    gui::createImage(img::AddIconImage, 16, 16);
    drawIconFrame(img::AddIconImage);
    gui::fillRect(img::AddIconImage, {5, 7, 5, 1}, mark);
    gui::fillRect(img::AddIconImage, {7, 5, 1, 5}, mark);
    appState.addIcon = img::AddIconImage;

    gui::createImage(img::PlaylistIconImage, 16, 16);
    drawIconFrame(img::PlaylistIconImage);
    gui::fillRect(img::PlaylistIconImage, {6, 4, 3, 1}, mark);
    gui::fillRect(img::PlaylistIconImage, {6, 10, 3, 1}, mark);
    gui::fillRect(img::PlaylistIconImage, {5, 5, 1, 5}, mark);
    appState.playlistIcon = img::PlaylistIconImage;
}

void StripeList(int list) {
    constexpr gui::Rgb text{165, 165, 165};
    const int rows = gui::listRowCount(list);
    gui::listSetTextColour(list, text);
    for (int row = 0; row < rows && row < 100; ++row)
        gui::listSetRowColours(list, row, text, row % 2 == 0 ? gui::Rgb{0, 0, 0} : gui::Rgb{17, 17, 17});
}
