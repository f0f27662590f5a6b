// The shape and the background of a skinned window as the X server has them.
#include <gtest/gtest.h>

#include "skin_fixture.h"
#include "ui/ids.h"
#include "ui/skin.h"

// Xlib last: its macros (None, Bool, Status...) clash with the names above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#undef None
#undef Bool
#undef Status
#undef Always
#undef Success

namespace {

constexpr int kWindow = 4402;

class SkinOnX : public testing::Test {
  protected:
    static void SetUpTestSuite() { skintest::decodeCarriedPictures(); }
    void SetUp() override {
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr);
        SkinTable.clear();
        ASSERT_TRUE(gui::createWindow(kWindow, gui::WindowStyle::Popup, 727, 400, "skin"));
    }
    void TearDown() override {
        gui::destroyWindow(kWindow);
        SkinTable.clear();
        if (display_) XCloseDisplay(display_);
    }

    // Lets the toolkit talk to the server, then waits for the server.
    void settle() {
        for (int i = 0; i < 5; ++i) gui::waitWindowEvent(20);
        XSync(display_, 0);
    }

    std::set<std::pair<int, int>> serverShape() {
        int count = 0, ordering = 0;
        XRectangle* rects =
            XShapeGetRectangles(display_, gui::x11WindowId(kWindow), ShapeBounding, &count, &ordering);
        std::vector<gui::Rect> list;
        for (int i = 0; i < count; ++i)
            list.push_back({rects[i].x, rects[i].y, rects[i].width, rects[i].height});
        if (rects) XFree(rects);
        return skintest::pixelsOf(list);
    }

    // The window's painted pixel at (x, y), as 0xRRGGBB.
    uint32_t windowPixel(XImage* image, int x, int y) { return uint32_t(XGetPixel(image, x, y)) & 0xFFFFFF; }

    XImage* grab(int w, int h) {
        return XGetImage(display_, gui::x11WindowId(kWindow), 0, 0, unsigned(w), unsigned(h), AllPlanes,
                         ZPixmap);
    }

    Display* display_ = nullptr;
};

uint32_t rgbOf(int image, int x, int y) {
    const gui::Rgb c = gui::imagePixel(image, x, y);
    return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
}

TEST_F(SkinOnX, ServerShapeIsTheRegionOfEachSkin) {
    int shapeEvent = 0, shapeError = 0;
    ASSERT_TRUE(XShapeQueryExtension(display_, &shapeEvent, &shapeError));
    // The first skin is given before the window is shown, as at start-up.
    ASSERT_EQ(ApplySkin(kWindow, img::SearchSkin), 1);
    gui::showWindow(kWindow);
    settle();
    ASSERT_NE(gui::x11WindowId(kWindow), 0u);
    EXPECT_EQ(serverShape(), skintest::pixelsOf(RegionFromBitmap(img::SearchSkin, 0, 0)));

    for (int skin : {img::RadioSkin, img::Mp3Skin, img::CompactSkin, img::SearchSkin}) {
        SCOPED_TRACE(skin);
        ASSERT_EQ(ApplySkin(kWindow, skin), 1);
        gui::setWindowClientSize(kWindow, 727, gui::imageSize(skin).h);
        settle();
        const auto region = skintest::pixelsOf(RegionFromBitmap(skin, 0, 0));
        EXPECT_EQ(serverShape(), region);
        EXPECT_FALSE(region.count({0, 0}));
        EXPECT_FALSE(region.count({725, 100}));
    }

    // A skin of key colour only changes nothing on the server.
    gui::createImage(9400, 727, 400);
    gui::fillRect(9400, {0, 0, 727, 400}, {32, 254, 2});
    EXPECT_EQ(ApplySkin(kWindow, 9400), 0);
    settle();
    EXPECT_EQ(serverShape(), skintest::pixelsOf(RegionFromBitmap(img::SearchSkin, 0, 0)));
    gui::deleteImage(9400);
}

TEST_F(SkinOnX, WindowShowsTheSkinInsideItsShape) {
    ASSERT_EQ(ApplySkin(kWindow, img::Mp3Skin), 1);
    gui::showWindow(kWindow);
    settle();
    XImage* image = grab(727, 400);
    ASSERT_NE(image, nullptr);
    int checked = 0, differing = 0;
    for (auto [x, y] : skintest::pixelsOf(RegionFromBitmap(img::Mp3Skin, 0, 0))) {
        ++checked;
        differing += windowPixel(image, x, y) != rgbOf(img::Mp3Skin, x, y);
    }
    XDestroyImage(image);
    EXPECT_GT(checked, 280000);
    EXPECT_EQ(differing, 0);
}

// Without a shape the background alone shows: a smaller skin repeats from
// (0, 0), a larger one is cut at the window's edge.
TEST_F(SkinOnX, SmallerSkinIsTiledLargerOneClipped) {
    gui::createImage(9401, 100, 60);
    gui::fillRect(9401, {0, 0, 100, 60}, {200, 10, 10});
    gui::fillRect(9401, {50, 0, 50, 30}, {10, 200, 10});
    gui::fillRect(9401, {0, 30, 50, 30}, {10, 10, 200});
    ASSERT_EQ(AttachSkinBitmap(kWindow, 9401, 1), 1);
    gui::showWindow(kWindow);
    settle();
    XImage* image = grab(727, 400);
    ASSERT_NE(image, nullptr);
    for (auto [x, y] : {std::pair{10, 10}, {160, 10}, {120, 100}, {726, 399}, {555, 333}, {349, 259}})
        EXPECT_EQ(windowPixel(image, x, y), rgbOf(9401, x % 100, y % 60)) << x << "," << y;
    XDestroyImage(image);

    gui::createImage(9402, 800, 450);
    gui::fillRect(9402, {0, 0, 800, 450}, {1, 2, 3});
    gui::fillRect(9402, {700, 380, 100, 70}, {90, 80, 70});
    ASSERT_EQ(AttachSkinBitmap(kWindow, 9402, 1), 1);
    settle();
    image = grab(727, 400);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(windowPixel(image, 0, 0), 0x010203u);
    EXPECT_EQ(windowPixel(image, 726, 399), 0x5A5046u);
    EXPECT_EQ(windowPixel(image, 699, 379), 0x010203u);
    XDestroyImage(image);
    EXPECT_EQ(gui::windowBackgroundHooks(kWindow), 1);
    gui::deleteImage(9401);
    gui::deleteImage(9402);
}

}  // namespace
