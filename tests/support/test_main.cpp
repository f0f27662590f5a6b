// Test main: the toolkit runs offscreen (or on the virtual X server of the
// xvfb tests) unless the test only lists itself.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/gui/gui.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--gtest_list_tests", 18) == 0) listing = true;
    if (!listing) {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int qtArgc = 1;
        static char name[] = "kestrel-tests";
        static char* qtArgv[] = {name, nullptr};
        if (!gui::init(qtArgc, qtArgv)) {
            std::fprintf(stderr, "no display for the toolkit\n");
            return 1;
        }
    }
    return RUN_ALL_TESTS();
}
