// Test main: the toolkit runs offscreen (or on the virtual X server of the
// xvfb tests) unless the test only lists itself.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/gui/gui.h"
#include "support/temp_dir.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // Where the sources and the build are, for tests that read shipped data.
    setenv("KESTREL_SOURCE_DIR", KESTREL_SOURCE_DIR, 0);
    setenv("KESTREL_BINARY_DIR", KESTREL_BINARY_DIR, 0);
    // The web module is built beside the player, not beside the tests.
    setenv("KESTREL_WEB_MODULE", KESTREL_BINARY_DIR "/libkestrel-web.so", 0);
    if (!GTEST_FLAG_GET(list_tests)) {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // The player's settings of this run stay in it, not in the user's.
        std::string config = (std::filesystem::temp_directory_path() / "kestrel-config-XXXXXX").string();
        if (mkdtemp(config.data())) {
            setenv("XDG_CONFIG_HOME", config.c_str(), 1);
            testsupport::removeAtExit(config);
        }
        // With no session's runtime folder the toolkit makes one in the
        // temporary folder and leaves it there: give the run its own.
        if (!std::getenv("XDG_RUNTIME_DIR")) {
            std::string runtime =
                (std::filesystem::temp_directory_path() / "kestrel-runtime-XXXXXX").string();
            if (mkdtemp(runtime.data())) {
                setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
                testsupport::removeAtExit(runtime);
            }
        }
        static int qtArgc = 1;
        static char name[] = "kestrel-tests";
        static char* qtArgv[] = {name, nullptr};
        if (!gui::init(qtArgc, qtArgv)) {
            std::fprintf(stderr, "no display for the toolkit\n");
            testsupport::removePathsMarkedForExit();
            return 1;
        }
    }
    const int status = RUN_ALL_TESTS();
    // Worker threads and the toolkit are not torn down one by one.
    testsupport::removePathsMarkedForExit();
    std::fflush(nullptr);
    std::_Exit(status);
}
