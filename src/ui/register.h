// Building the windows, controls, images and fonts of the register.
#pragma once

#include <span>

// The 18 skin pictures the program carries: each one's image number and its
// name among the carried pictures, in the order they are decoded.
struct CarriedPicture {
    int image;
    const char* name;
};
std::span<const CarriedPicture> carriedPictures();

// What start-up makes before MainWindow: the skin pictures, the blank
// canvases, the three fonts and the two row icons.
void decodeSkinPictures();
void createCanvasImages();
void loadFonts();
void drawRowIcons();
// Every control of MainWindow in its creation order, in four parts; start-up
// fills each list between them, right after the list is made.
void buildSearchFieldControls();  // SearchField, HistoryHolder, HistoryCombo
void buildFirstLists();           // the result, playlist and style lists in their panels
void buildStationList();          // StationPanel, StationList
void buildControlsAfterLists();   // the local files list and every control after it
void attachTooltips();
// Secondary windows (each replaces an open one of the same number).
void buildPlaylistEditWindow();
void buildArtistIndexWindow();

// Text RGB(165,165,165) on every row; rows 0..99 alternate RGB(0,0,0) and
// RGB(17,17,17); rows from 100 keep the list's own background.
void StripeList(int list);
