// The shaped skin window. The outline is computed once per applied skin by
// one pass over the picture's pixels; painting is left to the gui layer,
// which draws the image the background procedure names.
#include "ui/skin.h"

#include <cstddef>

std::vector<SkinEntry> SkinTable;

namespace {

constexpr uint32_t kRgbMask = 0x00FFFFFFu;

struct Run {
    int start;
    int end;  // exclusive
    bool operator==(const Run&) const = default;
};

// The maximal runs of non-key pixels of one row.
void rowRuns(const uint32_t* row, int width, uint32_t key, std::vector<Run>& runs) {
    runs.clear();
    int x = 0;
    while (x < width) {
        while (x < width && (row[x] & kRgbMask) == key) ++x;
        const int start = x;
        while (x < width && (row[x] & kRgbMask) != key) ++x;
        if (x > start) runs.push_back({start, x});
    }
}

}  // namespace

std::vector<gui::Rect> RegionFromPixels(std::span<const uint32_t> pixels, int width, int height, int keyX,
                                        int keyY) {
    std::vector<gui::Rect> rects;
    if (width <= 0 || height <= 0 || pixels.size() < size_t(width) * size_t(height)) return rects;
    if (keyX < 0 || keyY < 0 || keyX >= width || keyY >= height) return rects;
    const uint32_t key = pixels[size_t(keyY) * size_t(width) + size_t(keyX)] & kRgbMask;

    std::vector<Run> previous, current;
    size_t bandStart = 0;  // first rectangle of the band the previous row belongs to
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = pixels.data() + size_t(y) * size_t(width);
        rowRuns(row, width, key, current);
        if (!current.empty() && current == previous) {
            // The same runs as the row above: the band grows by one row.
            for (size_t i = bandStart; i < rects.size(); ++i) ++rects[i].h;
        } else {
            bandStart = rects.size();
            for (const Run& run : current) rects.push_back({run.start, y, run.end - run.start, 1});
        }
        std::swap(previous, current);
    }
    return rects;
}

std::vector<gui::Rect> RegionFromBitmap(int bitmap, int keyX, int keyY) {
    if (bitmap == 0) return {};
    const gui::Rect size = gui::imageSize(bitmap);
    if (size.w <= 0 || size.h <= 0) return {};
    const std::vector<uint32_t> pixels = gui::imagePixels(bitmap);
    return RegionFromPixels(pixels, size.w, size.h, keyX, keyY);
}

int FindSkinEntry(int window, int create) {
    for (size_t i = 0; i < SkinTable.size(); ++i)
        if (SkinTable[i].window == window) return int(i);
    if (!create) return -1;
    SkinTable.push_back({});
    return int(SkinTable.size()) - 1;
}

int SkinWindowProc(int window) {
    const int index = FindSkinEntry(window, 0);
    return index < 0 ? 0 : SkinTable[size_t(index)].bitmap;
}

int AttachSkinBitmap(int window, int bitmap, int redraw) {
    // The size is read before a row is made, so a failed attach leaves no
    // row without a window behind.
    const gui::Rect size = gui::imageSize(bitmap);
    if (size.w <= 0 || size.h <= 0) return 0;
    const int index = FindSkinEntry(window, 1);
    if (index < 0) return 0;
    SkinEntry& row = SkinTable[size_t(index)];
    row.window = window;
    row.width = size.w;
    row.height = size.h;
    // An owned bitmap goes when another one replaces it, never when the same
    // picture is applied again (it would be deleted while being attached).
    if (row.ownsBitmap && row.bitmap != 0 && row.bitmap != bitmap) gui::deleteImage(row.bitmap);
    if (row.bitmap != bitmap) row.ownsBitmap = 0;
    row.bitmap = bitmap;
    // The gui layer installs its background procedure on the first image it is
    // given for a window; later calls only change what that procedure paints.
    row.previousProcedure = 1;
    // Setting the image schedules a repaint of the whole window, done within
    // the next event wait; without `redraw` the new skin shows at the next
    // repaint anyway, so both cases take the same path.
    (void)redraw;
    gui::setWindowBackgroundImage(window, SkinWindowProc(window));
    return index + 1;
}

int ApplySkin(int window, int bitmap) {
    if (window == 0 || bitmap == 0) return 0;
    const std::vector<gui::Rect> region = RegionFromBitmap(bitmap, 0, 0);
    if (region.empty()) return 0;
    gui::setWindowShape(window, region);
    return AttachSkinBitmap(window, bitmap, 1);
}

void ReleaseSkins() {
    for (SkinEntry& row : SkinTable) {
        if (row.ownsBitmap && row.bitmap != 0) gui::deleteImage(row.bitmap);
        row.ownsBitmap = 0;
    }
}
