// The shaped skin window: outline from a skin picture's non-key pixels,
// the picture as background.
#pragma once

#include <vector>

#include "platform/gui/gui.h"

struct SkinEntry {
    int window = 0;
    int previousProcedure = 0;  // 1 once the background hook is installed
    int bitmap = 0;
    int ownsBitmap = 0;
    int width = 0;
    int height = 0;
};

extern std::vector<SkinEntry> SkinTable;

// Returns the rectangles of the non-key runs; empty when none.
std::vector<gui::Rect> RegionFromBitmap(int bitmap, int keyX, int keyY);
int ApplySkin(int window, int bitmap);
int AttachSkinBitmap(int window, int bitmap, int redraw);
int FindSkinEntry(int window, int create);
void ReleaseSkins();
