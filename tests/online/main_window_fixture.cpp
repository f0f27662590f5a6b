#include "main_window_fixture.h"

#include <cstdlib>
#include <thread>

#include "state/app_state.h"
#include "ui/ids.h"

namespace onlinetest {

void MainWindowTest::SetUp() {
    resetAppState();
    gui::releaseAll();
    gui::clearShownMessageBoxes();
    gui::setMessageBoxResponder([](const gui::MessageBoxInfo&) {});
    gui::createWindow(win::MainWindow, gui::WindowStyle::Popup, 727, 400, "Kestrel");
    gui::createImage(img::AddIconImage, 16, 16);
    gui::createImage(img::PlaylistIconImage, 16, 16);
    gui::createImage(img::RecordingImage, 14, 14);
    gui::fillRect(img::RecordingImage, {0, 0, 14, 14}, {255, 0, 0});
    gui::createEdit(ctl::SearchField, win::MainWindow, 0, {43, 12, 180, 20}, "", false);
    gui::createCombo(ctl::HistoryCombo, win::MainWindow, 0, {30, 40, 250, 10}, {114, 114, 114}, {24, 24, 24});
    gui::createList(ctl::SearchResultsList, win::MainWindow, 0, {15, 35, 440, 280}, "", 420, true, {0, 0, 0});
    gui::createList(ctl::PlaylistList, win::MainWindow, 0, {462, 35, 250, 280}, "", 230, true, {0, 0, 0});
    gui::createPicture(ctl::RecordButton, win::MainWindow, 0, {290, 353, 14, 14}, 0);
    gui::showWindow(win::MainWindow);
}

void MainWindowTest::TearDown() {
    gui::setMessageBoxResponder(nullptr);
    gui::releaseAll();
}

bool MainWindowTest::pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        gui::waitWindowEvent(10);
    }
    return true;
}

std::vector<std::string> MainWindowTest::rowTexts(int list) {
    std::vector<std::string> rows;
    for (int i = 0; i < gui::listRowCount(list); ++i) rows.push_back(gui::listRowText(list, i));
    return rows;
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) had_ = true, previous_ = old;
    setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (had_)
        setenv(name_.c_str(), previous_.c_str(), 1);
    else
        unsetenv(name_.c_str());
}

}  // namespace onlinetest
