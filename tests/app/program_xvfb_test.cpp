// The real program on a virtual X server: it starts, shows its window, and
// ends with status 0 after a click on its close button or on SIGTERM.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

namespace {

std::string capture(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
        pclose(pipe);
    }
    return out;
}

}  // namespace

TEST(Program, StartsShowsItsWindowAndClosesFromCloseButton) {
    testsupport::TempDir dir;
    const std::filesystem::path data = std::filesystem::path(KESTREL_SOURCE_DIR) / "data";
    std::filesystem::copy(data, dir.path(), std::filesystem::copy_options::recursive);
    testsupport::ScopedCwd cwd(dir.path());

    const std::string program = std::string(KESTREL_BINARY_DIR) + "/kestrel-player";
    setenv("KESTREL_AUTO_OK", "1", 1);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);

    std::string window;
    for (int i = 0; i < 100 && window.empty(); ++i) {
        window = capture("xdotool search --onlyvisible --name 'Поиск MP3' 2>/dev/null | head -1");
        if (window.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_FALSE(window.empty()) << "no window appeared";
    while (!window.empty() && window.back() == '\n') window.pop_back();
    const std::string geometry = capture("xdotool getwindowgeometry --shell " + window);
    int x = -1, y = -1, w = 0, h = 0;
    std::sscanf(geometry.c_str(), "WINDOW=%*d\nX=%d\nY=%d\nWIDTH=%d\nHEIGHT=%d", &x, &y, &w, &h);
    EXPECT_EQ(w, 727);
    EXPECT_EQ(h, 400);

    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // A press on the free area of the skin drags the window.
    const std::string drag = "xdotool mousemove " + std::to_string(x + 300) + " " + std::to_string(y + 12) +
                             " mousedown 1 sleep 0.3 mousemove " + std::to_string(x + 350) + " " +
                             std::to_string(y + 42) + " sleep 0.3 mouseup 1";
    ASSERT_EQ(testsupport::run(drag), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    int x2 = -1, y2 = -1;
    std::sscanf(capture("xdotool getwindowgeometry --shell " + window).c_str(), "WINDOW=%*d\nX=%d\nY=%d", &x2,
                &y2);
    EXPECT_EQ(x2 - x, 50);
    EXPECT_EQ(y2 - y, 30);
    x = x2;
    y = y2;

    // The centre of the close button's hotspot.
    const std::string click =
        "xdotool mousemove " + std::to_string(x + 708) + " " + std::to_string(y + 11) + " click 1";
    ASSERT_EQ(testsupport::run(click), 0);

    int status = -1;
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        status = -1;
    }
    if (status == -1) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        FAIL() << "the program did not end after the close button";
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A run killed in the middle of a save leaves its temporary files, beside
// its key-value files and in the folder of saved tracks; the next start
// removes them. A logout or `kill` then ends the player as its close
// button does, within a second.
TEST(Program, AStartClearsWhatAKilledRunLeftAndSigtermEndsIt) {
    testsupport::TempDir dir;
    const std::filesystem::path data = std::filesystem::path(KESTREL_SOURCE_DIR) / "data";
    std::filesystem::copy(data, dir.path(), std::filesystem::copy_options::recursive);
    testsupport::ScopedCwd cwd(dir.path());

    pid_t ended = 0;
    char trueName[] = "true";
    char* trueArgv[] = {trueName, nullptr};
    ASSERT_EQ(posix_spawnp(&ended, "true", nullptr, nullptr, trueArgv, environ), 0);
    waitpid(ended, nullptr, 0);
    const std::string e = std::to_string(ended);
    const std::vector<std::string> left = {
        ".inet_radio.pls.tmp-" + e + "-0-5f3a", ".kestrel-download-" + e + "-00c0ffee00c0ffee.part",
        "файлы/.name.pls.tmp-" + e + "-2-77", "Music/.kestrel-download-" + e + "-0123456789abcdef.part"};
    std::filesystem::create_directory("Music");  // where saved tracks go
    for (const auto& name : left) testsupport::writeFile(name, "half written");
    testsupport::writeFile("notes.part", "not ours");

    const std::string program = std::string(KESTREL_BINARY_DIR) + "/kestrel-player";
    setenv("KESTREL_AUTO_OK", "1", 1);
    setenv("KESTREL_TRACE_STARTUP", "1", 1);
    setenv("KESTREL_SAVE_DIR", "Music", 1);
    int err[2];
    ASSERT_EQ(pipe(err), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    unsetenv("KESTREL_TRACE_STARTUP");
    unsetenv("KESTREL_SAVE_DIR");
    close(err[1]);

    // The start-up trace says when the window is up.
    std::string trace;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (trace.find("start-up: shown") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        pollfd p{err[0], POLLIN, 0};
        if (poll(&p, 1, 100) != 1) continue;
        char buffer[512];
        const ssize_t n = read(err[0], buffer, sizeof buffer);
        if (n <= 0) break;
        trace.append(buffer, static_cast<size_t>(n));
    }
    close(err[0]);
    ASSERT_NE(trace.find("start-up: shown"), std::string::npos) << trace;
    for (const auto& name : left) EXPECT_FALSE(std::filesystem::exists(name)) << name;
    EXPECT_TRUE(std::filesystem::exists("notes.part"));

    const auto sent = std::chrono::steady_clock::now();
    ASSERT_EQ(kill(pid, SIGTERM), 0);
    int status = -1;
    while (waitpid(pid, &status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() - sent > std::chrono::seconds(5)) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            FAIL() << "the program did not end on SIGTERM";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(1));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
