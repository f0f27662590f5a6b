// Row striping of the dark lists.
#include <gtest/gtest.h>

#include "platform/gui/gui_testing.h"
#include "ui/register.h"

namespace {

constexpr int kWindow = 9001;
constexpr int kList = 9002;

class Stripes : public ::testing::Test {
  protected:
    void SetUp() override {
        gui::createWindow(kWindow, gui::WindowStyle::Popup, 300, 300, "stripes");
        gui::createList(kList, kWindow, 0, {0, 0, 300, 300}, "c", 200, true, {0, 0, 0});
    }
    void TearDown() override { gui::destroyWindow(kWindow); }
};

}  // namespace

TEST_F(Stripes, AlternateUpToRow99AndLeaveLaterRowsPlain) {
    for (int i = 0; i < 103; ++i) gui::listAddRow(kList, "row", 0);
    gui::listSetRowColours(kList, 101, {1, 2, 3}, {9, 9, 9});  // a colour the stripes must not touch
    StripeList(kList);
    EXPECT_EQ(gui::listRowBackground(kList, 0), (gui::Rgb{0, 0, 0}));
    EXPECT_EQ(gui::listRowBackground(kList, 1), (gui::Rgb{17, 17, 17}));
    EXPECT_EQ(gui::listRowBackground(kList, 98), (gui::Rgb{0, 0, 0}));
    EXPECT_EQ(gui::listRowBackground(kList, 99), (gui::Rgb{17, 17, 17}));
    EXPECT_EQ(gui::listRowBackground(kList, 100), (gui::Rgb{0, 0, 0}));  // the list's own black
    EXPECT_EQ(gui::listRowBackground(kList, 101), (gui::Rgb{9, 9, 9}));
    for (int row : {0, 1, 99, 100, 102})
        EXPECT_EQ(gui::listRowTextColour(kList, row), (gui::Rgb{165, 165, 165}));
}

TEST_F(Stripes, StripingTwiceChangesNothing) {
    for (int i = 0; i < 5; ++i) gui::listAddRow(kList, "row", 0);
    StripeList(kList);
    StripeList(kList);
    EXPECT_EQ(gui::listRowBackground(kList, 3), (gui::Rgb{17, 17, 17}));
    EXPECT_EQ(gui::listRowBackground(kList, 4), (gui::Rgb{0, 0, 0}));
}
