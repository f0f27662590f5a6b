// The key-value format byte for byte: reading, the layout written back,
// UTF-8 mode, accesses, and saves that must never damage the old file.
#include "library/key_value_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "library_fixture.h"

namespace {

class KeyValueFileTest : public ::testing::Test {
  protected:
    void TearDown() override { keyValueFile.close(); }
    testsupport::TempDir folder{testsupport::TempDir::Enter};
    KeyValueFile& kv = keyValueFile;
};

// Opens `bytes` as "t.pls", lets `change` act, closes, returns the file.
template <class F>
std::string rewrite(const std::string& bytes, F change) {
    writeFile("t.pls", bytes);
    EXPECT_TRUE(keyValueFile.open("t.pls"));
    change(keyValueFile);
    keyValueFile.close();
    return readFile("t.pls");
}

void touch(KeyValueFile& kv) {
    kv.selectGroup("zz");
    kv.writeValue("k", "v");
}

TEST_F(KeyValueFileTest, ReadsKeysWithBlanksAndWritesThemNormalised) {
    const std::string rock = cp("Рок");
    const std::string file = "[" + rock + "]\r\n  Title1=" + cp("Наше Радио") + "  \r\nFile1 =a=b\r\n";
    writeFile("t.pls", file);
    ASSERT_TRUE(kv.open("t.pls"));
    ASSERT_TRUE(kv.selectGroup(rock));
    EXPECT_EQ(kv.readValue("TITLE1", "-"), cp("Наше Радио"));
    EXPECT_EQ(kv.readValue("file1", "-"), "a=b");
    EXPECT_EQ(kv.readValue("Title2", "-"), "-");
    kv.writeValue("File2", "x");
    kv.close();
    EXPECT_EQ(readFile("t.pls"),
              "[" + rock + "]\r\nTitle1 = " + cp("Наше Радио") + "  \r\nFile1 = a=b\r\nFile2 = x\r\n");
}

TEST_F(KeyValueFileTest, CommentsGroupsAndBlankLinesAsWritten) {
    const std::string in =
        ";no space\n;  two spaces\r\n\r\n\r\n[Jazz] after\r\n   \t key\r\n[" + cp("Рок") + "\r\n\tk2 =  v \r";
    EXPECT_EQ(rewrite(in, [](KeyValueFile&) {}), in) << "a document only read is never written";
    EXPECT_EQ(rewrite(in, touch), "; no space\r\n;  two spaces\r\n[Jazz]\r\nkey = \r\n[" + cp("Рок") +
                                      "]\r\nk2 = v \r\n[zz]\r\nk = v\r\n");
}

TEST_F(KeyValueFileTest, MissingGroupIsAppendedOnFirstWrite) {
    const std::string list = cp("Плейлист");
    writeFile("t.pls", "[Jazz]\r\nFile1 = j\r\n");
    ASSERT_TRUE(kv.open("t.pls"));
    EXPECT_FALSE(kv.selectGroup(list));
    EXPECT_EQ(kv.readValue("File1", "none"), "none") << "a pending group reads as empty";
    kv.writeValue("File0", "http://a/");
    EXPECT_EQ(kv.readValue("File0", ""), "http://a/");
    kv.close();
    EXPECT_EQ(readFile("t.pls"), "[Jazz]\r\nFile1 = j\r\n[" + list + "]\r\nFile0 = http://a/\r\n");
}

TEST_F(KeyValueFileTest, RebuiltGroupMovesToTheEndAndLastGroupLeavesNothing) {
    EXPECT_EQ(rewrite("[a]\r\nx = 1\r\n[b]\r\ny = 2\r\n",
                      [](KeyValueFile& f) {
                          f.selectGroup("b");
                          f.removeGroup("A");
                          EXPECT_EQ(f.readValue("y", "-"), "2") << "the current group survives";
                          f.selectGroup("a");
                          f.writeValue("x", "3");
                      }),
              "[b]\r\ny = 2\r\n[a]\r\nx = 3\r\n");
    EXPECT_EQ(rewrite("[only]\r\nk = v\r\n", [](KeyValueFile& f) { f.removeGroup("only"); }), "");
    EXPECT_EQ(rewrite("[a]\r\nk = v\r\n", [](KeyValueFile& f) { f.removeGroup("missing"); }),
              "[a]\r\nk = v\r\n")
        << "removing nothing changes nothing";
}

// A scraped title must not be able to add a group or a key to the file.
TEST_F(KeyValueFileTest, ControlCharactersOfAValueAreWrittenAsSpaces) {
    const std::string title = std::string("X\r\n[Jazz]\r\nFile0 = http://evil/\0end", 35);
    const std::string file = rewrite("[Jazz]\r\nFile1 = j\r\n", [&](KeyValueFile& kv) {
        kv.selectGroup("list");
        kv.writeValue("Title0", title);
    });
    EXPECT_EQ(file, "[Jazz]\r\nFile1 = j\r\n[list]\r\nTitle0 = X  [Jazz]  File0 = http://evil/ end\r\n");
}

TEST_F(KeyValueFileTest, LeadingSectionAndKeyPlacement) {
    EXPECT_EQ(rewrite("[g]\r\na = 1\r\n",
                      [](KeyValueFile& f) {
                          EXPECT_TRUE(f.selectGroup(""));
                          f.writeValue("top", "t");
                          f.selectGroup("g");
                          f.writeValue("A", "2");  // same key, its case taken from the writer
                          f.writeValue("b", "3");
                      }),
              "top = t\r\n[g]\r\nA = 2\r\nb = 3\r\n");
    EXPECT_EQ(rewrite("lead = 1\r\n[g]\r\n[g]\r\nk = second\r\n",
                      [](KeyValueFile& f) {
                          f.selectGroup("G");
                          EXPECT_EQ(f.readValue("k", "-"), "-") << "the first of equal groups wins";
                          f.selectGroup("");
                          f.writeValue("lead2", "2");
                      }),
              "lead = 1\r\nlead2 = 2\r\n[g]\r\n[g]\r\nk = second\r\n");
}

TEST_F(KeyValueFileTest, NamesFoldOnlyAsciiCase) {
    writeFile("t.pls", "[Jazz]\r\nk = 1\r\nK = 2\r\n[" + cp("Рок") + "]\r\nk = 3\r\n");
    ASSERT_TRUE(kv.open("t.pls"));
    EXPECT_TRUE(kv.selectGroup("JAZZ"));
    EXPECT_EQ(kv.readValue("K", ""), "1");
    EXPECT_FALSE(kv.selectGroup(cp("РОК")));
    EXPECT_TRUE(kv.selectGroup(cp("Рок")));
}

TEST_F(KeyValueFileTest, MissingFileIsCreatedAtCloseAndFolderlessPathLosesChanges) {
    EXPECT_FALSE(kv.open("new.pls"));
    EXPECT_EQ(kv.access(), KeyValueFile::Access::Absent);
    EXPECT_FALSE(kv.selectGroup("g"));
    kv.writeValue("File0", "v");
    ASSERT_TRUE(kv.open("new.pls")) << "the second open writes the first";
    kv.selectGroup("g");
    EXPECT_EQ(kv.readValue("File0", ""), "v");

    EXPECT_FALSE(kv.open("no/such/folder.pls"));
    kv.selectGroup("g");
    kv.writeValue("k", "v");
    kv.close();
    EXPECT_EQ(listFolder("."), "new.pls");
}

TEST_F(KeyValueFileTest, ClosedDocumentAnswersDefaults) {
    EXPECT_FALSE(kv.selectGroup(""));
    kv.writeValue("k", "v");
    kv.removeGroup("g");
    EXPECT_EQ(kv.readValue("k", "d"), "d");
    kv.close();
    EXPECT_EQ(listFolder("."), "");
}

TEST_F(KeyValueFileTest, Utf8ModeConvertsEveryNameAndValue) {
    EXPECT_EQ(rewrite("\xEF\xBB\xBF",
                      [](KeyValueFile& f) {
                          EXPECT_TRUE(f.utf8Mode());
                          f.selectGroup("Jazz");
                          f.writeValue("File0", "v");
                      }),
              "\xEF\xBB\xBF\r\n[Jazz]\r\nFile0 = v\r\n");

    // Windows-1251 text lands as the Latin-1 reading of its bytes and reads
    // back unchanged; true UTF-8 beyond U+00FF reads as "?".
    const std::string list = cp("Плейлист");  // CF EB E5 E9 EB E8 F1 F2
    const std::string out =
        rewrite("\xEF\xBB\xBF[g]\r\nu = \xD0\x96x\xE2\x82\xAC\xC3\r\n", [&](KeyValueFile& f) {
            f.selectGroup("g");
            EXPECT_EQ(f.readValue("u", ""), "?x??");
            f.selectGroup(list);
            f.writeValue("Title0", cp("Рок"));
            EXPECT_EQ(f.readValue("Title0", ""), cp("Рок"));
        });
    EXPECT_EQ(out,
              "\xEF\xBB\xBF\r\n[g]\r\nu = \xD0\x96x\xE2\x82\xAC\xC3\r\n"
              "[\xC3\x8F\xC3\xAB\xC3\xA5\xC3\xA9\xC3\xAB\xC3\xA8\xC3\xB1\xC3\xB2]\r\n"
              "Title0 = \xC3\x90\xC3\xAE\xC3\xAA\r\n");
}

// Removing a group by the name the program wrote it with works in UTF-8
// mode too, so a rebuilt playlist never keeps entries that were deleted.
TEST_F(KeyValueFileTest, Utf8ModeRemovesTheGroupItWrote) {
    const std::string list = cp("Плейлист");
    writeFile("t.pls", "\xEF\xBB\xBF");
    ASSERT_TRUE(kv.open("t.pls"));
    kv.selectGroup(list);
    kv.writeValue("File0", "a");
    kv.writeValue("File1", "b");
    ASSERT_TRUE(kv.open("t.pls"));
    kv.removeGroup(list);
    kv.selectGroup(list);
    kv.writeValue("File0", "c");
    ASSERT_TRUE(kv.open("t.pls"));
    ASSERT_TRUE(kv.selectGroup(list));
    EXPECT_EQ(kv.readValue("File0", ""), "c");
    EXPECT_EQ(kv.readValue("File1", "gone"), "gone");
}

TEST_F(KeyValueFileTest, ReadOnlyFileKeepsWorkingForReadingOnly) {
    writeFile("t.pls", "[g]\r\n\r\nk = v\r\n");
    ::chmod("t.pls", 0444);
    ASSERT_TRUE(kv.open("t.pls"));
    EXPECT_EQ(kv.access(), KeyValueFile::Access::ReadOnly);
    kv.selectGroup("g");
    EXPECT_EQ(kv.readValue("k", ""), "v");
    kv.writeValue("k", "changed");
    EXPECT_FALSE(kv.close()) << "the changes were not stored";
    EXPECT_EQ(readFile("t.pls"), "[g]\r\n\r\nk = v\r\n");
}

TEST_F(KeyValueFileTest, SaveFollowsLinkAndKeepsMode) {
    ::mkdir("real", 0755);
    writeFile("real/t.pls", "[g]\r\n");
    ::chmod("real/t.pls", 0640);
    ASSERT_EQ(::symlink("real/t.pls", "link.pls"), 0);
    ASSERT_TRUE(kv.open("link.pls"));
    kv.selectGroup("g");
    kv.writeValue("k", "v");
    kv.close();
    struct stat st;
    ASSERT_EQ(::lstat("link.pls", &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readFile("real/t.pls"), "[g]\r\nk = v\r\n");
    ASSERT_EQ(::stat("real/t.pls", &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(listFolder("real"), "t.pls") << "no temporary file is left";
}

// A save that dies half-way (here: the file size limit kills the writer in
// the middle of writing) leaves the old file whole.
TEST_F(KeyValueFileTest, InterruptedSaveLeavesTheOldFileWhole) {
    const std::string old = "[g]\r\nk = old\r\n";
    writeFile("t.pls", old);
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        keyValueFile.open("t.pls");
        keyValueFile.selectGroup("g");
        keyValueFile.writeValue("k", std::string(100000, 'x'));
        keyValueFile.close();
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    EXPECT_EQ(readFile("t.pls"), old);
}

// The same limit with the signal ignored is a full disk: the write fails,
// the old file stays and the temporary file is removed.
TEST_F(KeyValueFileTest, FullDiskLeavesOldFileAndNoTemporary) {
    const std::string old = "[g]\r\nk = old\r\n";
    writeFile("t.pls", old);
    ASSERT_TRUE(kv.open("t.pls"));
    kv.selectGroup("g");
    kv.writeValue("k", std::string(100000, 'x'));
    const auto previous = ::signal(SIGXFSZ, SIG_IGN);
    rlimit saved;
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit limit{4096, saved.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    kv.close();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, previous);
    EXPECT_EQ(readFile("t.pls"), old);
    EXPECT_EQ(listFolder("."), "t.pls");
}

TEST_F(KeyValueFileTest, UnreadablePathsNeverGetWritten) {
    ::mkdir("dir.pls", 0755);
    EXPECT_FALSE(kv.open("dir.pls"));
    kv.selectGroup("g");
    kv.writeValue("k", "v");
    kv.close();
    struct stat st;
    ASSERT_EQ(::stat("dir.pls", &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(listFolder("."), "dir.pls");
}

TEST_F(KeyValueFileTest, OddBytesReadWithoutHarm) {
    std::string nul("[g\0h]\r\nk\0 = v\0w\rlone = cr\r", 26);
    kv.parse(nul);
    ASSERT_EQ(kv.lines().size(), 3u);
    EXPECT_EQ(kv.lines()[0].name, std::string("g\0h", 3));
    EXPECT_EQ(kv.lines()[1].value, std::string("v\0w", 3));
    EXPECT_EQ(kv.lines()[2].name, "lone");

    const std::string big = "[g]\r\nk = " + std::string(1 << 20, 'v') + "\r\n";
    kv.parse(big);
    EXPECT_EQ(kv.serialize(), big);

    std::string many;
    for (int i = 0; i < 100000; ++i) many += "[g" + std::to_string(i) + "]\r\n";
    kv.parse(many);
    EXPECT_TRUE(kv.selectGroup("G99999"));
    kv.writeValue("k", "v");
    EXPECT_EQ(kv.lines().back().name, "k");
}

TEST_F(KeyValueFileTest, LargeGroupFillsInLinearTime) {
    kv.parse("");
    kv.selectGroup("a");
    for (int i = 0; i < 100000; ++i) kv.writeValue("Title" + std::to_string(i), "n");
    EXPECT_EQ(kv.readValue("title99999", ""), "n");
    EXPECT_EQ(kv.lines().size(), 100001u);
}

}  // namespace
