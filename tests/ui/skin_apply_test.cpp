// Applying skins to a window: the table row, the single background hook,
// and the failures that leave the window as it was.
#include <gtest/gtest.h>

#include "skin_fixture.h"
#include "ui/ids.h"
#include "ui/skin.h"

namespace {

constexpr int kWindow = 4401;

class SkinApply : public testing::Test {
  protected:
    static void SetUpTestSuite() { skintest::decodeCarriedPictures(); }
    void SetUp() override {
        SkinTable.clear();
        ASSERT_TRUE(gui::createWindow(kWindow, gui::WindowStyle::Popup, 727, 400, "skin"));
    }
    void TearDown() override {
        gui::destroyWindow(kWindow);
        SkinTable.clear();
    }
};

TEST_F(SkinApply, ShapesTheWindowAndPaintsTheSkin) {
    EXPECT_EQ(ApplySkin(kWindow, img::SearchSkin), 1);
    EXPECT_EQ(gui::windowShape(kWindow), RegionFromBitmap(img::SearchSkin, 0, 0));
    ASSERT_EQ(SkinTable.size(), 1u);
    const SkinEntry& row = SkinTable[0];
    EXPECT_EQ(row.window, kWindow);
    EXPECT_EQ(row.bitmap, img::SearchSkin);
    EXPECT_EQ(row.width, 727);
    EXPECT_EQ(row.height, 400);
    EXPECT_EQ(row.ownsBitmap, 0);
    EXPECT_EQ(SkinWindowProc(kWindow), img::SearchSkin);
    EXPECT_EQ(SkinWindowProc(kWindow + 1), 0) << "a window without a skin paints its default background";
}

TEST_F(SkinApply, TenModeSwitchesKeepOneRowAndOneHook) {
    const int order[] = {img::RadioSkin, img::SearchSkin, img::Mp3Skin, img::CompactSkin, img::Mp3Skin};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(ApplySkin(kWindow, order[i % 5]), 1);
    EXPECT_EQ(SkinTable.size(), 1u);
    EXPECT_EQ(gui::windowBackgroundHooks(kWindow), 1);
    EXPECT_EQ(SkinTable[0].bitmap, img::Mp3Skin);
    EXPECT_EQ(gui::windowShape(kWindow), RegionFromBitmap(img::Mp3Skin, 0, 0));

    // A second window gets a row of its own, in the order of first use.
    ASSERT_TRUE(gui::createWindow(kWindow + 1, gui::WindowStyle::Popup, 727, 83, "second"));
    EXPECT_EQ(ApplySkin(kWindow + 1, img::CompactSkin), 2);
    EXPECT_EQ(ApplySkin(kWindow, img::SearchSkin), 1);
    EXPECT_EQ(FindSkinEntry(kWindow + 1, 0), 1);
    EXPECT_EQ(gui::windowBackgroundHooks(kWindow + 1), 1);
    gui::destroyWindow(kWindow + 1);
}

TEST_F(SkinApply, FailuresLeaveTheWindowAsItWas) {
    ASSERT_EQ(ApplySkin(kWindow, img::RadioSkin), 1);
    const auto shape = gui::windowShape(kWindow);

    gui::createImage(9200, 40, 30);
    gui::fillRect(9200, {0, 0, 40, 30}, {32, 254, 2});
    EXPECT_EQ(ApplySkin(kWindow, 9200), 0) << "key colour only";
    EXPECT_EQ(ApplySkin(kWindow, 9201), 0) << "unknown picture";
    EXPECT_EQ(ApplySkin(kWindow, 0), 0);
    EXPECT_EQ(ApplySkin(0, img::SearchSkin), 0);
    EXPECT_EQ(gui::windowShape(kWindow), shape);
    ASSERT_EQ(SkinTable.size(), 1u);
    EXPECT_EQ(SkinTable[0].bitmap, img::RadioSkin);
    EXPECT_EQ(AttachSkinBitmap(kWindow, 9201, 1), 0);
    EXPECT_EQ(SkinTable[0].bitmap, img::RadioSkin);
    gui::deleteImage(9200);
}

TEST_F(SkinApply, RowsAreMadeOnlyWhenAskedAndNeverForAFailedAttach) {
    EXPECT_EQ(FindSkinEntry(kWindow, 0), -1);
    EXPECT_EQ(AttachSkinBitmap(kWindow, 9201, 1), 0) << "unknown picture";
    EXPECT_TRUE(SkinTable.empty()) << "no row without a window is left behind";
    EXPECT_EQ(AttachSkinBitmap(kWindow, img::CompactSkin, 0), 1);
    EXPECT_EQ(FindSkinEntry(kWindow, 1), 0);
    EXPECT_EQ(FindSkinEntry(kWindow + 7, 1), 1);
    EXPECT_EQ(SkinTable[1].window, 0) << "a fresh row is all zero";
    EXPECT_EQ(SkinTable.size(), 2u);
}

// A row that owns its picture deletes it when another replaces it and at
// shutdown, but never when the same picture is applied again.
TEST_F(SkinApply, OwnedPictureIsDeletedOnlyWhenReplaced) {
    gui::copyImage(9300, img::SearchSkin);
    ASSERT_EQ(ApplySkin(kWindow, 9300), 1);
    SkinTable[0].ownsBitmap = 1;
    EXPECT_EQ(ApplySkin(kWindow, 9300), 1);
    EXPECT_TRUE(gui::imageExists(9300));
    EXPECT_EQ(SkinWindowProc(kWindow), 9300);

    EXPECT_EQ(ApplySkin(kWindow, img::RadioSkin), 1);
    EXPECT_FALSE(gui::imageExists(9300));
    EXPECT_EQ(SkinTable[0].ownsBitmap, 0);

    gui::copyImage(9301, img::Mp3Skin);
    ASSERT_EQ(ApplySkin(kWindow, 9301), 1);
    SkinTable[0].ownsBitmap = 1;
    ReleaseSkins();
    EXPECT_FALSE(gui::imageExists(9301));
    ReleaseSkins();  // twice is harmless
    EXPECT_TRUE(gui::imageExists(img::RadioSkin));
}

}  // namespace
