// Building the windows, controls, images and fonts of the register.
#pragma once

// Start-up steps 7 to 10: skin pictures, canvases, fonts, row icons.
void decodeSkinPictures();
void createCanvasImages();
void loadFonts();
void drawRowIcons();
// Step 13: every control of MainWindow in its order, with the four data loads.
void buildMainWindowControls();
void attachTooltips();
// Secondary windows (each replaces an open one of the same number).
void buildPlaylistEditWindow();
void buildArtistIndexWindow();

// Text RGB(165,165,165) on every row; rows 0..99 alternate RGB(0,0,0) and
// RGB(17,17,17); rows from 100 keep the list's own background.
void StripeList(int list);
