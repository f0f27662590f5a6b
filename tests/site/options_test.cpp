// The command line and the default music folder.
#include "options.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "library.h"
#include "site_fixture.h"

using namespace site;

namespace {

bool parse(std::vector<std::string> args, Options& o, std::string& error) {
    std::vector<char*> argv{const_cast<char*>("kestrel-site")};
    for (auto& a : args) argv.push_back(a.data());
    return parseOptions(int(argv.size()), argv.data(), o, error);
}

TEST(Options, PortListenAndFolders) {
    Options o;
    std::string error;
    ASSERT_TRUE(
        parse({"--port", "0", "/a", "--listen", "0.0.0.0", "--db", "/i.sqlite", "--", "--b"}, o, error))
        << error;
    EXPECT_EQ(o.db, "/i.sqlite");
    EXPECT_EQ(o.port, 0);
    EXPECT_EQ(o.listen, "0.0.0.0");
    EXPECT_EQ(o.folders, (std::vector<std::string>{"/a", "--b"}));

    Options d;
    ASSERT_TRUE(parse({}, d, error));
    EXPECT_EQ(d.listen, "127.0.0.1");  // loopback unless asked
    EXPECT_TRUE(d.folders.empty());

    for (auto bad : std::vector<std::vector<std::string>>{
             {"--port"}, {"--port", "x"}, {"--port", "65536"}, {"--port", "-1"}, {"--nope"}, {"--db"}}) {
        Options b;
        EXPECT_FALSE(parse(bad, b, error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(Options, MusicFolderComesFromTheUserDirsFile) {
    site_test::TempDir home;
    std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", home.path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "cfg").c_str(), 1);
    EXPECT_EQ(defaultMusicFolder(), home / "Music");
    site_test::run("mkdir -p '" + (home / "cfg") + "'");
    std::ofstream(home / "cfg/user-dirs.dirs") << "# comment\nXDG_MUSIC_DIR=\"$HOME/Музыка\"\n";
    EXPECT_EQ(defaultMusicFolder(), home / "Музыка");
    std::ofstream(home / "cfg/user-dirs.dirs") << "XDG_MUSIC_DIR=\"$HOME/\"\n";  // disabled
    EXPECT_EQ(defaultMusicFolder(), home / "Music");
    // The index lives in the user's cache folder.
    const char* cache = std::getenv("XDG_CACHE_HOME");
    std::string oldCache = cache ? cache : "";
    unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(defaultDbPath(), home / ".cache/kestrel-site/index.sqlite");
    setenv("XDG_CACHE_HOME", "/c", 1);
    EXPECT_EQ(defaultDbPath(), "/c/kestrel-site/index.sqlite");
    if (cache)
        setenv("XDG_CACHE_HOME", oldCache.c_str(), 1);
    else
        unsetenv("XDG_CACHE_HOME");
    setenv("HOME", oldHome.c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
