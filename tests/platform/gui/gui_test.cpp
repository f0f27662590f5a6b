// The windowing stand-in under the offscreen toolkit: event semantics,
// timers inside the wait, lists, drawing, message boxes from other threads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <future>
#include <iterator>
#include <thread>

#include "platform/gui/gui_testing.h"

namespace {

constexpr int kWin = 7001;
constexpr int kPicture = 7002;
constexpr int kList = 7003;
constexpr int kPanel = 7004;
constexpr int kLink = 7005;
constexpr int kCombo = 7006;
constexpr int kImage = 7100;
constexpr int kFont = 7200;

class Gui : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(gui::createWindow(kWin, gui::WindowStyle::Popup, 400, 300, "test"));
        gui::showWindow(kWin);
    }
    void TearDown() override {
        gui::destroyWindow(kWin);
        while (gui::waitWindowEvent(0).kind != gui::EventKind::None) {
        }
    }
    std::vector<gui::Event> events() {
        std::vector<gui::Event> out;
        for (gui::Event e = gui::waitWindowEvent(0); e.kind != gui::EventKind::None;
             e = gui::waitWindowEvent(0))
            if (e.kind == gui::EventKind::Control) out.push_back(e);
        return out;
    }
};

}  // namespace

TEST_F(Gui, PictureClicksFollowTheSystemConventions) {
    gui::createPicture(kPicture, kWin, 0, {10, 10, 30, 20}, 0);
    EXPECT_EQ(gui::controlRect(kPicture), (gui::Rect{10, 10, 30, 20}));  // no picture: keeps its size

    gui::simulateClick(kPicture, gui::ControlEventType::Double, 5, 5);
    auto got = events();
    ASSERT_EQ(got.size(), 2u);  // a left click, then a double click
    EXPECT_EQ(got[0].type, gui::ControlEventType::Left);
    EXPECT_EQ(got[1].type, gui::ControlEventType::Double);
    EXPECT_EQ(got[1].control, kPicture);
    EXPECT_EQ(got[1].window, kWin);

    gui::simulateClick(kPicture, gui::ControlEventType::Right, 5, 5);
    got = events();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].type, gui::ControlEventType::Right);
}

TEST_F(Gui, PictureTakesItsImageSizeAndReportsChangedPixels) {
    gui::createImage(kImage, 12, 7);
    gui::createPicture(kPicture, kWin, 0, {0, 0, 0, 0}, kImage);
    EXPECT_EQ(gui::controlRect(kPicture), (gui::Rect{0, 0, 12, 7}));
    EXPECT_FALSE(gui::setControlImage(kPicture, kImage));  // same pixels
    gui::fillRect(kImage, {0, 0, 1, 1}, {255, 0, 0});
    EXPECT_TRUE(gui::setControlImage(kPicture, kImage));
    gui::deleteImage(kImage);
}

TEST_F(Gui, TimerCallbacksRunInsideTheWaitOnly) {
    std::atomic<int> ticks{0};
    gui::startTimer(kWin, 1, 5, [&] { ++ticks; });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(ticks, 0);  // nobody waited: nothing ran
    for (int i = 0; i < 10; ++i) gui::waitWindowEvent(10);
    EXPECT_GT(ticks, 0);
    gui::startTimer(kWin, 1, 100000, [] {});
}

TEST_F(Gui, AWaitEndsAtItsDeadlineOrWhenWokenAndRunsDueTimersAsItBegins) {
    using Clock = std::chrono::steady_clock;
    // Waits until the timer is next due: one wake-up per run, each run as
    // the next wait begins.
    int runs = 0;
    gui::startTimer(kWin, 1, 35, [&] { ++runs; });
    int passes = 0;
    for (auto end = Clock::now() + std::chrono::milliseconds(350); Clock::now() < end; ++passes)
        gui::waitWindowEvent(gui::nextTimerDue());
    EXPECT_LE(passes, 15) << "woke before the deadline";
    EXPECT_GE(runs, 3);
    gui::startTimer(kWin, 1, 100000, [] {});

    // A wait without deadline sleeps until a watched descriptor or a wake
    // from another thread; each rescues the other's check from sleeping
    // for ever.
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    gui::watchDescriptor(pipeEnds[0], [&] {
        char c;
        (void)!read(pipeEnds[0], &c, 1);
    });
    for (bool byDescriptor : {true, false}) {
        std::promise<void> woke;
        std::thread other([&, woken = woke.get_future()] {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (byDescriptor) (void)!write(pipeEnds[1], "x", 1);
            if (!byDescriptor) gui::wake();
            if (woken.wait_for(std::chrono::seconds(3)) == std::future_status::timeout) {
                if (byDescriptor) gui::wake();
                if (!byDescriptor) (void)!write(pipeEnds[1], "x", 1);
            }
        });
        const auto start = Clock::now();
        gui::waitWindowEvent(gui::kNoDeadline);
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(1)) << (byDescriptor ? "descriptor" : "wake");
        EXPECT_TRUE(gui::lastWaitWoken());
        woke.set_value();
        other.join();
    }
    gui::waitWindowEvent(0);
    EXPECT_FALSE(gui::lastWaitWoken());
}

TEST_F(Gui, ListRowsSelectionAndColours) {
    gui::createPanel(kPanel, kWin, 0, {10, 10, 200, 100}, true);
    gui::createList(kList, kWin, kPanel, {-2, -26, 300, 200}, "caption", 250, true, {0, 0, 0});
    EXPECT_EQ(gui::listSelectedRow(kList), -1);
    for (const char* row : {"a", "b", "c"}) gui::listAddRow(kList, row, 0);
    gui::listSelectRow(kList, 2);
    EXPECT_EQ(gui::listSelectedRow(kList), 2);
    gui::listRemoveRow(kList, 0);
    EXPECT_EQ(gui::listRowCount(kList), 2);
    EXPECT_EQ(gui::listRowText(kList, 0), "b");
    EXPECT_EQ(gui::listSelectedRow(kList), 1);  // the selection follows its row
    gui::listSetRowColours(kList, 0, {1, 2, 3}, {4, 5, 6});
    EXPECT_EQ(gui::listRowTextColour(kList, 0), (gui::Rgb{1, 2, 3}));
    EXPECT_EQ(gui::listRowBackground(kList, 0), (gui::Rgb{4, 5, 6}));
    // Out-of-range rows are ignored.
    gui::listRemoveRow(kList, 7);
    gui::listSelectRow(kList, -1);
    EXPECT_EQ(gui::listRowText(kList, 9), "");
}

TEST_F(Gui, ListClickSelectsTheRowBeforeReporting) {
    gui::createList(kList, kWin, 0, {0, 0, 300, 200}, "caption", 250, false, {});
    for (const char* row : {"a", "b", "c"}) gui::listAddRow(kList, row, 0);
    const gui::Point centre = gui::listRowCentre(kList, 1);
    const gui::Rect screen = gui::controlScreenRect(kList);
    gui::simulateClick(kList, gui::ControlEventType::Double, centre.x - screen.x, centre.y - screen.y);
    const auto got = events();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].type, gui::ControlEventType::Double);
    EXPECT_EQ(gui::listSelectedRow(kList), 1);
}

TEST_F(Gui, HyperlinkReportsOnRelease) {
    gui::createHyperlink(kLink, kWin, 0, {5, 5, 10, 13}, "а");
    EXPECT_EQ(gui::text(kLink), "а");
    gui::simulateClick(kLink, gui::ControlEventType::Left, 2, 2);
    const auto got = events();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].type, gui::ControlEventType::Left);
}

TEST_F(Gui, ComboDropsDownFromCode) {
    gui::createPanel(kPanel, kWin, 0, {30, 40, 100, 0}, false);
    gui::createCombo(kCombo, kWin, kPanel, {0, 5, 250, 10}, {114, 114, 114}, {24, 24, 24});
    gui::comboAddItem(kCombo, "Рок");
    gui::comboAddItem(kCombo, "Jazz");
    EXPECT_EQ(gui::comboItemCount(kCombo), 2);
    gui::comboShowDropdown(kCombo);
    EXPECT_TRUE(gui::comboDropdownVisible(kCombo));
}

TEST_F(Gui, DrawingIsClippedToThePicture) {
    gui::createImage(kImage, 4, 4);
    gui::fillRect(kImage, {-2, 2, 20, 20}, {10, 20, 30});
    EXPECT_EQ(gui::imagePixel(kImage, 0, 1), (gui::Rgb{0, 0, 0}));
    EXPECT_EQ(gui::imagePixel(kImage, 3, 3), (gui::Rgb{10, 20, 30}));
    gui::fillRect(kImage, {0, 0, 0, 5}, {255, 255, 255});  // empty rectangles draw nothing
    EXPECT_EQ(gui::imagePixel(kImage, 0, 0), (gui::Rgb{0, 0, 0}));
    gui::createFont(kFont, "Arial", 8);
    gui::createImage(kImage + 1, 40, 16);
    gui::drawText(kImage + 1, kFont, 2, 1, {255, 0, 0}, "0:05");
    bool red = false;
    for (uint32_t p : gui::imagePixels(kImage + 1)) red |= ((p >> 16) & 0xFF) > 128;
    EXPECT_TRUE(red);
    gui::deleteImage(kImage);
    gui::deleteImage(kImage + 1);
}

TEST_F(Gui, NonImagesAreRefused) {
    const uint8_t junk[] = {0x89, 'P', 'N', 'G', 1, 2, 3};
    EXPECT_FALSE(gui::loadImage(kImage, junk));
    EXPECT_FALSE(gui::imageExists(kImage));
    EXPECT_FALSE(gui::loadImageFile(kImage, "/nonexistent/picture.jpg"));
    EXPECT_FALSE(gui::loadImageFile(kImage, "/"));
}

// A picture decoded at its first paint has its size at once, and shows what
// the file decoded at once shows; a file cut short is refused at once.
TEST_F(Gui, PicturesDecodedWhenShownMatchThoseDecodedAtOnce) {
    const std::string file = KESTREL_SOURCE_DIR "/data/333.jpg";
    ASSERT_TRUE(gui::loadImageFileWhenUsed(kImage, file));
    gui::createPicture(kPicture, kWin, 0, {5, 5, 0, 0}, kImage);
    EXPECT_EQ(gui::controlRect(kPicture).w, 235);
    EXPECT_EQ(gui::controlRect(kPicture).h, 210);
    ASSERT_TRUE(gui::loadImageFile(kImage + 1, file));
    EXPECT_EQ(gui::controlShownPixels(kPicture), gui::imagePixels(kImage + 1));

    const std::string cut = testing::TempDir() + "cut.jpg";
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    EXPECT_FALSE(gui::loadImageFileWhenUsed(kImage + 2, cut));
    gui::deleteImage(kImage);
    gui::deleteImage(kImage + 1);
}

TEST_F(Gui, MessageBoxFromAnotherThreadLeavesTheLoopRunning) {
    std::atomic<bool> release{false};
    gui::setMessageBoxResponder([&](const gui::MessageBoxInfo&) {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    gui::clearShownMessageBoxes();
    std::atomic<bool> done{false};
    std::thread worker([&] {
        gui::messageBox(0, "", "Запись Успешная !", gui::Icon::Information);
        done = true;
    });
    // The UI thread keeps waiting for events while the worker's box is open.
    int ticks = 0;
    gui::startTimer(kWin, 2, 5, [&] { ++ticks; });
    for (int i = 0; i < 10; ++i) gui::waitWindowEvent(10);
    EXPECT_GT(ticks, 0);
    EXPECT_FALSE(done);
    release = true;
    worker.join();
    EXPECT_TRUE(done);
    const auto shown = gui::shownMessageBoxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].icon, gui::Icon::Information);
    gui::setMessageBoxResponder(nullptr);
    gui::startTimer(kWin, 2, 100000, [] {});
}

// "*.*|*.*" handed to the toolkit as it stands is one pattern with a bar in
// it: every folder of the open dialog looked empty.
TEST(FileFilter, PairsBecomeToolkitFiltersAndStarDotStarMeansEveryFile) {
    EXPECT_EQ(gui::toolkitFileFilter("*.*|*.*"), "*.* (*)");
    EXPECT_EQ(gui::toolkitFileFilter("Звук|*.mp3;*.wav|Все|*.*"), "Звук (*.mp3 *.wav);;Все (*)");
    EXPECT_EQ(gui::toolkitFileFilter(""), "");
}
