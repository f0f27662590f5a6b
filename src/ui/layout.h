// The skin's geometry as data: MainWindow's size, where the register puts
// each control and where each mode moves it, the canvases the display
// refresh draws on, the icon columns of the two lists and the bars' scales.
// The skin pictures are drawn to fit these places. Each quantity is written
// here once; the register, the modes, hover, dispatch, playback and the
// display refresh read it, and `kestrel-player --layout` prints it all.
#pragma once

#include <span>
#include <string>

#include "platform/gui/gui.h"
#include "ui/ids.h"

namespace layout {

// MainWindow's client area, and its height in compact mode.
inline constexpr int kWindowWidth = 727;
inline constexpr int kWindowHeight = 400;
inline constexpr int kCompactHeight = 83;

// Where a control goes out of view: left of the window, or, for PositionBar,
// below it.
inline constexpr int kOutOfViewX = -1000;
inline constexpr int kOutOfViewY = 3333;

// A control of MainWindow where the register creates it, which is where
// search mode shows it at start-up. The rectangle is in the coordinates of
// its parent panel, or of MainWindow when it has none; a picture control
// created 0 x 0 takes the size of its picture.
struct Place {
    int control;
    const char* name;  // as in ctl::
    gui::Rect rect;
    int parent = 0;
};

inline constexpr Place kPlaces[] = {
    {ctl::SearchField, "SearchField", {43, 32, 180, 15}},
    {ctl::HistoryHolder, "HistoryHolder", {30, 40, 100, 0}},  // no height: only the drop-down shows
    {ctl::HistoryCombo, "HistoryCombo", {0, 5, 250, 10}, ctl::HistoryHolder},
    // Each list lies in a smaller panel that cuts off its edge, header and
    // scroll bar.
    {ctl::SearchResultsPanel, "SearchResultsPanel", {15, 99, 438, 222}},
    {ctl::SearchResultsList, "SearchResultsList", {-2, -26, 540, 249}, ctl::SearchResultsPanel},
    {ctl::PlaylistPanel, "PlaylistPanel", {462, 99, 235, 222}},
    {ctl::PlaylistList, "PlaylistList", {-2, -26, 290, 249}, ctl::PlaylistPanel},
    {ctl::StylePanel, "StylePanel", {kOutOfViewX, 99, 143, 220}},
    {ctl::StyleList, "StyleList", {-2, -26, 265, 244}, ctl::StylePanel},
    {ctl::StationPanel, "StationPanel", {kOutOfViewX, 99, 286, 220}},
    {ctl::StationList, "StationList", {-2, -26, 390, 244}, ctl::StationPanel},
    {ctl::LocalFilesPanel, "LocalFilesPanel", {-2000, 99, 412, 222}},
    {ctl::LocalFilesList, "LocalFilesList", {-2, -26, 433, 269}, ctl::LocalFilesPanel},
    {ctl::ArtistIndexLink, "ArtistIndexLink", {265, 82, 105, 14}},
    {ctl::TitleHotspot, "TitleHotspot", {0, 0, 100, 25}},
    {ctl::ConnectionIndicator, "ConnectionIndicator", {400, 84, 14, 9}},
    {ctl::SearchButton, "SearchButton", {226, 30, 65, 17}},
    {ctl::SiteLogoLink, "SiteLogoLink", {15, 350, 125, 30}},
    {ctl::PlayButton, "PlayButton", {358, 337, 47, 47}},
    // Over the arrows each full-height skin draws either side of the play button.
    {ctl::PreviousButton, "PreviousButton", {317, 350, 31, 20}},
    {ctl::NextButton, "NextButton", {415, 350, 31, 20}},
    {ctl::MinimizeButton, "MinimizeButton", {650, 5, 20, 12}},
    {ctl::AboutButton, "AboutButton", {675, 5, 20, 12}},
    {ctl::CloseButton, "CloseButton", {697, 5, 23, 13}},
    {ctl::PauseIndicator, "PauseIndicator", {362, 341, 38, 38}},
    {ctl::TimeDisplay, "TimeDisplay", {232, 352, 43, 15}},
    {ctl::VolumeBar, "VolumeBar", {491, 356, 67, 18}},
    {ctl::StatusStrip, "StatusStrip", {5, 58, 715, 16}},
    {ctl::RecordButton, "RecordButton", {290, 353, 14, 14}},
    {ctl::MuteButton, "MuteButton", {457, 351, 21, 20}},
    {ctl::RadioModeButton, "RadioModeButton", {646, 23, 60, 31}},
    {ctl::Mp3ModeButton, "Mp3ModeButton", {585, 23, 60, 31}},
    {ctl::OpenFolderButton, "OpenFolderButton", {1290, 352, 18, 17}},
    {ctl::PositionBar, "PositionBar", {11, kOutOfViewY, 0, 0}},
    {ctl::VideoButton, "VideoButton", {630, 342, 70, 30}},
    {ctl::AlbumPhoto, "AlbumPhoto", {1435, 105, 0, 0}},
    {ctl::RadioPicture, "RadioPicture", {1465, 105, 0, 0}},
    {ctl::SearchPicture, "SearchPicture", {85, 96, 0, 0}},
};

// The place of a control of kPlaces; an empty rectangle for any other.
constexpr gui::Rect place(int control) {
    for (const Place& p : kPlaces)
        if (p.control == control) return p.rect;
    return {};
}

// The 108 SpectrumBar controls: band k at x = kSpectrumX + kSpectrumStep * k,
// each sized to SpectrumBarImage.
inline constexpr int kSpectrumX = 346;
inline constexpr int kSpectrumY = 31;
inline constexpr int kSpectrumStep = 2;
constexpr gui::Rect spectrumBand(int k) {
    return {kSpectrumX + kSpectrumStep * k, kSpectrumY, 0, 0};
}

// A folder's album photo is scaled to this width, and cut at this height.
inline constexpr int kAlbumPhotoWidth = 270;
inline constexpr int kAlbumPhotoMaxHeight = 210;

// One move of a mode switch: the control's x changes, or its y.
enum class Axis { X, Y };
struct Move {
    int control;
    Axis axis;
    int to;
};

enum class Mode { Search, Radio, Mp3 };

// The moves each mode makes after applying its skin, in order. Search mode
// puts back every control of its own, from whichever mode was shown; it
// keeps SearchPicture out of view once a search was made (app/modes).
inline constexpr Move kSearchMoves[] = {
    {ctl::SiteLogoLink, Axis::X, place(ctl::SiteLogoLink).x},
    {ctl::SearchButton, Axis::X, place(ctl::SearchButton).x},
    {ctl::SearchResultsPanel, Axis::X, place(ctl::SearchResultsPanel).x},
    {ctl::SearchField, Axis::X, place(ctl::SearchField).x},
    {ctl::RecordButton, Axis::X, place(ctl::RecordButton).x},
    {ctl::PlaylistPanel, Axis::X, place(ctl::PlaylistPanel).x},
    {ctl::StylePanel, Axis::X, kOutOfViewX},
    {ctl::StationPanel, Axis::X, kOutOfViewX},
    {ctl::RadioPicture, Axis::X, place(ctl::RadioPicture).x},
    {ctl::OpenFolderButton, Axis::X, kOutOfViewX},
    {ctl::LocalFilesPanel, Axis::X, kOutOfViewX},
    {ctl::AlbumPhoto, Axis::X, kOutOfViewX},
    {ctl::PositionBar, Axis::Y, kOutOfViewY},
    {ctl::SearchPicture, Axis::X, place(ctl::SearchPicture).x},
};

inline constexpr Move kRadioMoves[] = {
    {ctl::SiteLogoLink, Axis::X, kOutOfViewX},
    {ctl::SearchButton, Axis::X, kOutOfViewX},
    {ctl::SearchResultsPanel, Axis::X, kOutOfViewX},
    {ctl::SearchField, Axis::X, kOutOfViewX},
    {ctl::StylePanel, Axis::X, 16},
    {ctl::StationPanel, Axis::X, 166},
    {ctl::OpenFolderButton, Axis::X, kOutOfViewX},
    {ctl::LocalFilesPanel, Axis::X, kOutOfViewX},
    {ctl::RadioPicture, Axis::X, 465},
    {ctl::AlbumPhoto, Axis::X, kOutOfViewX},
    {ctl::PositionBar, Axis::Y, kOutOfViewY},
    {ctl::SearchPicture, Axis::X, kOutOfViewX},
    {ctl::PlaylistPanel, Axis::X, kOutOfViewX},
};

inline constexpr Move kMp3Moves[] = {
    {ctl::SiteLogoLink, Axis::X, kOutOfViewX},
    {ctl::SearchButton, Axis::X, kOutOfViewX},
    {ctl::SearchResultsPanel, Axis::X, kOutOfViewX},
    {ctl::SearchField, Axis::X, kOutOfViewX},
    {ctl::RecordButton, Axis::X, kOutOfViewX},
    {ctl::OpenFolderButton, Axis::X, 288},
    {ctl::LocalFilesPanel, Axis::X, 15},
    {ctl::StylePanel, Axis::X, kOutOfViewX},
    {ctl::StationPanel, Axis::X, kOutOfViewX},
    {ctl::PlaylistPanel, Axis::X, kOutOfViewX},
    {ctl::AlbumPhoto, Axis::X, 435},
    {ctl::RadioPicture, Axis::X, place(ctl::RadioPicture).x},
    {ctl::PositionBar, Axis::Y, 333},
    {ctl::SearchPicture, Axis::X, kOutOfViewX},
};

std::span<const Move> moves(Mode mode);

// The blank pictures the display refresh draws on, and their sizes.
struct Canvas {
    int image;
    const char* name;  // as in img::
    int w;
    int h;
};

inline constexpr Canvas kCanvases[] = {
    {img::TimeImage, "TimeImage", 45, 15},
    {img::VolumeImage, "VolumeImage", 67, 18},
    {img::SpectrumBarImage, "SpectrumBarImage", 1, 15},
    {img::StatusImage, "StatusImage", 715, 16},
    {img::ConnectionImage, "ConnectionImage", 14, 9},
    {img::PositionImage, "PositionImage", 700, 3},
};

// The whole of a canvas, at (0, 0); an empty rectangle for another image.
constexpr gui::Rect canvas(int image) {
    for (const Canvas& c : kCanvases)
        if (c.image == image) return {0, 0, c.w, c.h};
    return {};
}

// The position bar's picture is its scale: a seek or a fill at x of its
// width is x / kPositionBarWidth of the track.
inline constexpr int kPositionBarWidth = canvas(img::PositionImage).w;

// The volume bar: the pointer at x pixels from its left edge asks for the
// volume x / kVolumeBarSpan. Its fill follows x inside the span; the two
// ends show the fills kVolumeFillFull and kVolumeFillSilent, and a new
// player shows kVolumeFillStart.
inline constexpr int kVolumeBarSpan = 57;
inline constexpr int kVolumeFillFull = 60;
inline constexpr int kVolumeFillSilent = 2;
inline constexpr int kVolumeFillStart = 33;
// Up and Down, and each notch of the wheel over the bar, move its fill by
// this many pixels.
inline constexpr int kVolumeKeyStep = 3;

// A range with both bounds left out: low < v < high.
struct Span {
    int low;
    int high;
    constexpr bool holds(int v) const { return low < v && v < high; }
};

// The icon columns of the two lists of search mode, in MainWindow's
// coordinates: the add icons of SearchResultsList and the delete icons of
// PlaylistList, over the lists' rows.
inline constexpr Span kIconRows{35, 316};
inline constexpr Span kAddIconColumn{16, 30};
inline constexpr Span kDeleteIconColumn{465, 477};

// All of the above as JSON, for `kestrel-player --layout`: the window's
// sizes, each control's rectangle in each mode as switched to from
// start-up, the panels the lists lie in, the spectrum's bands, the album
// photo's size, the canvases, the bars and the icon columns.
std::string json();

}  // namespace layout
