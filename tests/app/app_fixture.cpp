#include "app/app_fixture.h"

#include <cstdlib>

#include "app/program.h"
#include "platform/gui/gui_testing.h"

void StartedApp::SetUp() {
    dir_ = std::make_unique<testsupport::TempDir>();
    if (withPictures()) {
        const std::filesystem::path data = std::filesystem::path(KESTREL_SOURCE_DIR) / "data";
        for (const char* name : {"999.jpg", "333.jpg", "DM.jpg", "icon.png"})
            std::filesystem::copy_file(data / name, dir_->path() / name);
    }
    prepare(dir_->path());
    cwd_ = std::make_unique<testsupport::ScopedCwd>(dir_->path());
    gui::clearShownMessageBoxes();
    gui::setMessageBoxResponder([](const gui::MessageBoxInfo&) {});
    static int argc = 1;
    static char name[] = "kestrel-player";
    static char* argv[] = {name, nullptr};
    ASSERT_TRUE(startUp(argc, argv));
    drain();
}

void StartedApp::TearDown() {
    shutDown();
    gui::setMessageBoxResponder(nullptr);
    cwd_.reset();
    dir_.reset();
}

bool StartedApp::drain(int limit) {
    for (int i = 0; i < limit; ++i)
        if (!loopPass()) return false;
    return true;
}
