#include "library_fixture.h"

#include "app/program.h"
#include "library/key_value_file.h"
#include "platform/gui/gui_testing.h"
#include "platform/text/cp1251.h"
#include "state/app_state.h"
#include "ui/ids.h"
#include "ui/register.h"

void LibraryTest::SetUp() {
    gui::releaseAll();
    resetAppState();
    appState.currentStyle = "Всё подряд";
    gui::setMessageBoxResponder([](const gui::MessageBoxInfo&) {});
    gui::clearShownMessageBoxes();
    gui::setOpenFileResponder([this] { return dialogAnswer; });
    gui::createWindow(win::MainWindow, gui::WindowStyle::Popup, 727, 400, "");
    loadFonts();
    drawRowIcons();
    buildMainWindowControls();
}

void LibraryTest::TearDown() {
    keyValueFile.close();
    gui::setOpenFileResponder(nullptr);
    gui::setMessageBoxResponder(nullptr);
    gui::releaseAll();
}

std::vector<std::string> LibraryTest::rows(int list) {
    std::vector<std::string> out;
    for (int r = 0; r < gui::listRowCount(list); ++r) out.push_back(gui::listRowText(list, r));
    return out;
}

std::vector<std::string> LibraryTest::messages() {
    std::vector<std::string> out;
    for (const auto& box : gui::shownMessageBoxes()) out.push_back(box.text);
    return out;
}

std::string cp(std::string_view utf8) {
    return text::toCp1251(utf8);
}
