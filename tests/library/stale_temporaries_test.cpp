// Temporary files of a killed run: only ours, only from runs that ended.
#include "library/stale_temporaries.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/temp_dir.h"

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
    testsupport::TempDir folder{testsupport::TempDir::Enter};
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
    testsupport::writeFile(staleSave, "half a file");
    testsupport::writeFile(staleDownload, "half a track");
    for (const auto& name : kept) testsupport::writeFile(name, "keep");
    // A folder or a link of such a name is not a file we left.
    ::mkdir((".a.tmp-" + ended + "-0-ab").c_str(), 0755);
    ::symlink("inet_radio.pls", (".b.tmp-" + ended + "-0-ab").c_str());

    EXPECT_EQ(temporaryOwner(staleSave), std::stoi(ended));
    EXPECT_EQ(temporaryOwner(staleDownload), std::stoi(ended));
    EXPECT_EQ(removeStaleTemporaries("."), 2);
    EXPECT_FALSE(testsupport::fileExists(staleSave));
    EXPECT_FALSE(testsupport::fileExists(staleDownload));
    for (const auto& name : kept) EXPECT_TRUE(testsupport::fileExists(name)) << name;
    EXPECT_TRUE(testsupport::fileExists(".a.tmp-" + ended + "-0-ab"));
    EXPECT_EQ(testsupport::readFile(".b.tmp-" + ended + "-0-ab"), "keep");
    EXPECT_EQ(removeStaleTemporaries("no-such-folder"), 0);
}
