// Temporary files of a killed run: only ours, only from runs that ended.
#include "library/stale_temporaries.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "temp_folder_fixture.h"

extern char** environ;

namespace {

// The pid of a process that has ended.
int endedPid() {
    pid_t pid = 0;
    char name[] = "true";
    char* argv[] = {name, nullptr};
    if (posix_spawnp(&pid, "true", nullptr, nullptr, argv, environ) != 0) return 0;
    ::waitpid(pid, nullptr, 0);
    return pid;
}

}  // namespace

TEST(StaleTemporaries, OnlyOurOwnFromEndedRunsAreRemoved) {
    TempFolder folder;
    const std::string ended = std::to_string(endedPid()), me = std::to_string(::getpid());
    ASSERT_NE(ended, "0");
    const std::string staleSave = ".inet_radio.pls.tmp-" + ended + "-3-1a2b3c";
    const std::string staleDownload = ".kestrel-download-" + ended + "-0123456789abcdef.part";
    const std::vector<std::string> kept = {
        "inet_radio.pls",
        ".inet_radio.pls.tmp-" + me + "-0-ff",       // a save of a run still going
        ".kestrel-download-" + me + "-00ff.part",    // a download still going
        ".notes.tmp-" + ended,                       // not our form
        ".notes.tmp-" + ended + "-x-1a",             // not our form
        "song.part",                                 // not ours
        "x.tmp-" + ended + "-0-1a",                  // ours start with a point
        ".kestrel-download-" + ended + "-xyz.part",  // not hexadecimal
        ".kestrel-download-0" + ended + "-00.part",  // no such pid
    };
    writeFile(staleSave, "half a file");
    writeFile(staleDownload, "half a track");
    for (const auto& name : kept) writeFile(name, "keep");
    // A folder or a link of such a name is not a file we left.
    ::mkdir((".a.tmp-" + ended + "-0-ab").c_str(), 0755);
    ::symlink("inet_radio.pls", (".b.tmp-" + ended + "-0-ab").c_str());

    EXPECT_EQ(temporaryOwner(staleSave), std::stoi(ended));
    EXPECT_EQ(temporaryOwner(staleDownload), std::stoi(ended));
    EXPECT_EQ(removeStaleTemporaries("."), 2);
    EXPECT_FALSE(fileExists(staleSave));
    EXPECT_FALSE(fileExists(staleDownload));
    for (const auto& name : kept) EXPECT_TRUE(fileExists(name)) << name;
    EXPECT_TRUE(fileExists(".a.tmp-" + ended + "-0-ab"));
    EXPECT_EQ(readFile(".b.tmp-" + ended + "-0-ab"), "keep");
    EXPECT_EQ(removeStaleTemporaries("no-such-folder"), 0);
}
