// Test main: the toolkit runs offscreen (or on the virtual X server of the
// xvfb tests) unless the test only lists itself.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "platform/gui/gui.h"
#include "support/temp_dir.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Where the sources and the build are, for tests that read shipped data.
    setenv("KESTREL_SOURCE_DIR", KESTREL_SOURCE_DIR, 0);
    setenv("KESTREL_BINARY_DIR", KESTREL_BINARY_DIR, 0);
    if (!GTEST_FLAG_GET(list_tests)) {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int qtArgc = 1;
        static char name[] = "kestrel-tests";
        static char* qtArgv[] = {name, nullptr};
        if (!gui::init(qtArgc, qtArgv)) {
            std::fprintf(stderr, "no display for the toolkit\n");
            return 1;
        }
    }
    const int status = RUN_ALL_TESTS();
    // Worker threads and the toolkit are not torn down one by one.
    testsupport::removePathsMarkedForExit();
    std::fflush(nullptr);
    std::_Exit(status);
}
