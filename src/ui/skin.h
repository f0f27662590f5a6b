// The shaped skin window: a window's outline is the set of its skin
// picture's pixels that differ from a key colour, and the picture is painted
// as its background. Applying another skin reshapes and repaints the same
// window; the background procedure is installed once per window.
//
// Threads: UI thread only. Nothing here blocks; failures return 0 / empty
// and leave the window as it was.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/gui/gui.h"

// One row per window that has ever been given a skin, in the order of first
// use. The table grows by one row at a time and never shrinks.
struct SkinEntry {
    int window = 0;
    int previousProcedure = 0;  // 1 once SkinWindowProc paints the window's background
    int bitmap = 0;             // image number painted as background
    int ownsBitmap = 0;         // 1: the row deletes the bitmap when it is replaced or at exit
    int width = 0;              // size of the bitmap when it was attached
    int height = 0;
};

extern std::vector<SkinEntry> SkinTable;

// The outline of a picture given as 0xAARRGGBB pixels, row by row: every
// pixel whose RGB differs from that of the pixel at (keyX, keyY) is inside
// (alpha is not compared). Runs of such pixels in a row become rectangles;
// consecutive rows with the same runs are merged into one band, so rectangles
// with the same top have the same height and are sorted by y, then x. Empty
// when every pixel is the key colour, the size is not positive, the buffer is
// too short or the key pixel lies outside the picture.
std::vector<gui::Rect> RegionFromPixels(std::span<const uint32_t> pixels, int width, int height, int keyX,
                                        int keyY);

// RegionFromPixels over a registered image; empty when the image is unknown.
std::vector<gui::Rect> RegionFromBitmap(int bitmap, int keyX, int keyY);

// Shapes the window from the bitmap (key colour at (0, 0)) and makes the
// bitmap its background. Returns the row number + 1, or 0 when nothing was
// done (no window, no bitmap, or a bitmap of key colour only): the window
// then keeps its previous shape and background.
int ApplySkin(int window, int bitmap);

// Records the bitmap for the window in SkinTable, installs the background
// procedure once, and with `redraw` repaints. Returns row index + 1, or 0 when
// the bitmap's size cannot be read.
int AttachSkinBitmap(int window, int bitmap, int redraw);

// The row index of the window, or -1; with `create` a missing row is appended.
int FindSkinEntry(int window, int create);

// The background procedure of a skinned window: the image the window paints
// as its background (tiled from (0, 0) when smaller than the window, clipped
// when larger), or 0 for the default background when the window has no row.
int SkinWindowProc(int window);

// At shutdown: deletes the bitmaps that rows own. The rows stay.
void ReleaseSkins();
