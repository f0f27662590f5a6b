// Building the windows, controls, images and fonts of the register.
#pragma once

// What start-up makes before MainWindow: the skin pictures, the blank
// canvases, the three fonts and the two row icons.
void decodeSkinPictures();
void createCanvasImages();
void loadFonts();
void drawRowIcons();
// Every control of MainWindow in its creation order, filling the search
// history, the style list, the stations and the playlist on the way.
void buildMainWindowControls();
void attachTooltips();
// Secondary windows (each replaces an open one of the same number).
void buildPlaylistEditWindow();
void buildArtistIndexWindow();

// Text RGB(165,165,165) on every row; rows 0..99 alternate RGB(0,0,0) and
// RGB(17,17,17); rows from 100 keep the list's own background.
void StripeList(int list);
