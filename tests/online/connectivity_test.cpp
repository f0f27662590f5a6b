// The connection state as the program sees it: the forced state of tests,
// and the indicator it lights.
#include "online/connectivity.h"

#include <gtest/gtest.h>

#include "audio/display_refresh.h"
#include "main_window_fixture.h"
#include "platform/net/net_testing.h"
#include "ui/ids.h"
#include "ui/register.h"

TEST(ConnectionState, TestsCanForceTheAnswer) {
    net::overrideConnected(false);
    EXPECT_FALSE(isConnected());
    net::overrideConnected(true);
    EXPECT_TRUE(isConnected());
    net::overrideConnected(std::nullopt);
    isConnected();  // the system's answer, whatever it is here
}

using IndicatorTest = onlinetest::MainWindowTest;

TEST_F(IndicatorTest, IsRedWhenConnectedAndDarkGreyWhenNot) {
    createCanvasImages();
    loadFonts();
    gui::createPicture(ctl::ConnectionIndicator, win::MainWindow, 0, {700, 5, 14, 9}, img::ConnectionImage);
    net::overrideConnected(false);
    refreshDisplay();
    EXPECT_EQ(gui::imagePixel(img::ConnectionImage, 6, 6), (gui::Rgb{63, 63, 63}));
    net::overrideConnected(true);
    refreshDisplay();
    EXPECT_EQ(gui::imagePixel(img::ConnectionImage, 6, 6), (gui::Rgb{227, 5, 3}));
    net::overrideConnected(std::nullopt);
}
