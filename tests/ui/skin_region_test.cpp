// The outline of a skin: which pixels a window keeps.
#include <gtest/gtest.h>

#include <random>

#include "skin_fixture.h"
#include "ui/skin.h"

namespace {

constexpr uint32_t K = 0xFF20FE02;  // the key colour RGB(32,254,2)
constexpr uint32_t A = 0xFF101010;
constexpr uint32_t B = 0xFFFB0104;

using Rects = std::vector<gui::Rect>;

TEST(SkinRegion, KeyColourTakenFromTheKeyPixel) {
    const std::vector<uint32_t> pixels = {
        K, A, A, K,  //
        A, A, B, A,  //
        K, B, K, K,  //
    };
    EXPECT_EQ(RegionFromPixels(pixels, 4, 3, 0, 0), (Rects{{1, 0, 2, 1}, {0, 1, 4, 1}, {1, 2, 1, 1}}));
    // Another colour at the key pixel becomes the key: now A is cut away and
    // the green pixels are part of the window.
    EXPECT_EQ(RegionFromPixels(pixels, 4, 3, 1, 0),
              (Rects{{0, 0, 1, 1}, {3, 0, 1, 1}, {2, 1, 1, 1}, {0, 2, 4, 1}}));
}

TEST(SkinRegion, RunReachingTheRightEdgeKeepsItsLastPixel) {
    const std::vector<uint32_t> pixels = {
        K, K, A, A, B,  //
        K, A, K, K, A,  //
    };
    EXPECT_EQ(RegionFromPixels(pixels, 5, 2, 0, 0), (Rects{{2, 0, 3, 1}, {1, 1, 1, 1}, {4, 1, 1, 1}}));
}

TEST(SkinRegion, OnlyColourCountsNotAlpha) {
    const std::vector<uint32_t> pixels = {K, 0x0020FE02, 0x00101010, A};
    EXPECT_EQ(RegionFromPixels(pixels, 4, 1, 0, 0), (Rects{{2, 0, 2, 1}}));
}

TEST(SkinRegion, RowsWithTheSameRunsFormOneBand) {
    std::vector<uint32_t> pixels(6 * 5, A);
    for (int y : {0, 4}) pixels[size_t(y * 6)] = K;             // rounded-off corners
    for (int y = 0; y < 5; ++y) pixels[size_t(y * 6 + 5)] = K;  // keyed last column
    EXPECT_EQ(RegionFromPixels(pixels, 6, 5, 0, 0), (Rects{{1, 0, 4, 1}, {0, 1, 5, 3}, {1, 4, 4, 1}}));
}

TEST(SkinRegion, NothingWhenEveryPixelIsKeyOrTheInputIsBad) {
    const std::vector<uint32_t> keyOnly(12, K);
    EXPECT_TRUE(RegionFromPixels(keyOnly, 4, 3, 0, 0).empty());
    const std::vector<uint32_t> some(12, A);
    EXPECT_TRUE(RegionFromPixels(some, 4, 4, 0, 0).empty()) << "buffer shorter than the size";
    EXPECT_TRUE(RegionFromPixels(some, 0, 3, 0, 0).empty());
    EXPECT_TRUE(RegionFromPixels(some, 4, 3, 4, 0).empty()) << "key pixel outside";
    EXPECT_TRUE(RegionFromPixels(some, 4, 3, 0, -1).empty());
}

// Against a pixel-by-pixel reading on random pictures: the same pixel set,
// and rectangles in the banded order a window mask takes as it is (sorted by
// top then left; same top, same height; never touching side by side).
TEST(SkinRegion, MatchesPixelByPixelReadingOnRandomPictures) {
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        const int w = 1 + int(random() % 40), h = 1 + int(random() % 30);
        std::vector<uint32_t> pixels(size_t(w * h));
        // Runs of identical rows make bands likely.
        std::vector<uint32_t> row(static_cast<size_t>(w));
        for (int y = 0; y < h; ++y) {
            if (y == 0 || random() % 3 != 0)
                for (auto& p : row) p = random() % 2 ? K : (random() % 2 ? A : B);
            std::copy(row.begin(), row.end(), pixels.begin() + y * w);
        }
        const int kx = int(random() % unsigned(w)), ky = int(random() % unsigned(h));
        const uint32_t key = pixels[size_t(ky * w + kx)] & 0xFFFFFF;
        std::set<std::pair<int, int>> expected;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if ((pixels[size_t(y * w + x)] & 0xFFFFFF) != key) expected.insert({x, y});

        const Rects rects = RegionFromPixels(pixels, w, h, kx, ky);
        EXPECT_EQ(skintest::pixelsOf(rects), expected) << "round " << round;
        for (size_t i = 1; i < rects.size(); ++i) {
            const gui::Rect &a = rects[i - 1], &b = rects[i];
            ASSERT_TRUE(a.y < b.y || (a.y == b.y && a.x + a.w < b.x)) << "round " << round << " rect " << i;
            if (a.y == b.y)
                EXPECT_EQ(a.h, b.h);
            else
                EXPECT_GE(b.y, a.y + a.h);
        }
    }
}

TEST(SkinRegion, FromARegisteredImage) {
    gui::createImage(9001, 5, 3);  // black
    gui::fillRect(9001, {0, 0, 5, 3}, {32, 254, 2});
    gui::fillRect(9001, {1, 1, 4, 1}, {0, 0, 0});
    EXPECT_EQ(RegionFromBitmap(9001, 0, 0), (Rects{{1, 1, 4, 1}}));
    EXPECT_EQ(RegionFromBitmap(9001, 2, 1), (Rects{{0, 0, 5, 1}, {0, 1, 1, 1}, {0, 2, 5, 1}}));
    EXPECT_TRUE(RegionFromBitmap(9002, 0, 0).empty()) << "unknown image";
    EXPECT_TRUE(RegionFromBitmap(0, 0, 0).empty());
    gui::deleteImage(9001);
}

}  // namespace
