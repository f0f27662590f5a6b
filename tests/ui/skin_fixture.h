// Helpers of the skin and hover tests: the carried pictures decoded into the
// image register, the hotspot rectangles the artwork must honour, and pixel
// sets of regions.
#pragma once

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/gui/gui_testing.h"

namespace skintest {

// Decodes the 18 carried pictures under their register numbers.
void decodeCarriedPictures();

// A hotspot or hole of MainWindow as the skins must show it.
struct Spot {
    std::string name;
    int control;
    gui::Rect rect;
};

// The spots visible on a window skin (search, radio, mp3 or compact).
std::vector<Spot> spotsOf(int skin);

// The pixels covered by a list of rectangles; fails the calling test when two
// rectangles overlap.
std::set<std::pair<int, int>> pixelsOf(const std::vector<gui::Rect>& rects);

}  // namespace skintest
