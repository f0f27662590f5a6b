// First version of the skin: the window takes the picture's non-key pixels
// as its outline and the picture as its background.
#include "ui/skin.h"

std::vector<SkinEntry> SkinTable;

std::vector<gui::Rect> RegionFromBitmap(int bitmap, int keyX, int keyY) {
    std::vector<gui::Rect> rects;
    const gui::Rect size = gui::imageSize(bitmap);
    if (size.w <= 0 || size.h <= 0) return rects;
    const gui::Rgb key = gui::imagePixel(bitmap, keyX, keyY);
    for (int y = 0; y < size.h; ++y) {
        int x = 0;
        while (x < size.w) {
            while (x < size.w && gui::imagePixel(bitmap, x, y) == key) ++x;
            const int start = x;
            while (x < size.w && !(gui::imagePixel(bitmap, x, y) == key)) ++x;
            if (x > start) rects.push_back({start, y, x - start, 1});
        }
    }
    return rects;
}

int FindSkinEntry(int window, int create) {
    for (size_t i = 0; i < SkinTable.size(); ++i)
        if (SkinTable[i].window == window) return int(i);
    if (!create) return -1;
    SkinTable.push_back({});
    return int(SkinTable.size()) - 1;
}

int AttachSkinBitmap(int window, int bitmap, int /*redraw*/) {
    const int index = FindSkinEntry(window, 1);
    const gui::Rect size = gui::imageSize(bitmap);
    if (index < 0 || size.w <= 0) return 0;
    SkinEntry& row = SkinTable[size_t(index)];
    row.window = window;
    row.width = size.w;
    row.height = size.h;
    row.bitmap = bitmap;
    row.previousProcedure = 1;
    gui::setWindowBackgroundImage(window, bitmap);
    return index + 1;
}

int ApplySkin(int window, int bitmap) {
    if (window == 0 || bitmap == 0) return 0;
    auto region = RegionFromBitmap(bitmap, 0, 0);
    if (region.empty()) return 0;
    gui::setWindowShape(window, region);
    return AttachSkinBitmap(window, bitmap, 1);
}

void ReleaseSkins() {}
