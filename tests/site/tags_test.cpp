// Reading tracks from files, and finding the files under the folders.
#include "tags.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/text/cp1251.h"
#include "scanner.h"
#include "site_fixture.h"

using namespace site;
using namespace site_test;
namespace fs = std::filesystem;

namespace {

// The UTF-8 text that a Latin-1 reading of these bytes gives.
std::string asLatin1(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xC0 | c >> 6);
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

TEST(Tags, Windows1251ReadAsLatin1IsRepairedButRealLatin1Stays) {
    EXPECT_EQ(repairLatin1(asLatin1(text::toCp1251("Кино"))), "Кино");
    EXPECT_EQ(repairLatin1(asLatin1(text::toCp1251("Ёлка - Live"))), "Ёлка - Live");
    EXPECT_EQ(repairLatin1("Motörhead"), "Motörhead");
    EXPECT_EQ(repairLatin1("Céline Dion"), "Céline Dion");
    EXPECT_EQ(repairLatin1("Déjà vu"), "Déjà vu");
    EXPECT_EQ(repairLatin1("Кино"), "Кино");  // already right: code points above U+00FF
    EXPECT_EQ(repairLatin1(""), "");
}

TEST(Tags, FileNamesStandInForMissingTags) {
    std::string artist = "x", title;
    titleFromFileName("Depeche Mode - Enjoy - Remix.mp3", artist, title);
    EXPECT_EQ(artist, "Depeche Mode");
    EXPECT_EQ(title, "Enjoy - Remix");
    titleFromFileName("01 track.flac", artist, title);
    EXPECT_EQ(artist, "");
    EXPECT_EQ(title, "01 track");
    titleFromFileName(" - x.mp3", artist, title);
    EXPECT_EQ(title, "- x");
    titleFromFileName(".mp3", artist, title);
    EXPECT_EQ(title, ".mp3");
    EXPECT_EQ(cleanField("\t a\nb \x7f"), "a b");
}

TEST(Tags, TagsWrittenByLameAndByOlderToolsAreRead) {
    TempDir dir;
    // lame writes UTF-16 ID3v2 frames when asked; its arguments are read in the locale.
    ASSERT_EQ(
        run("LC_ALL=C.UTF-8 lame --quiet --id3v2-utf16 --tt 'Группа крови' --ta 'Кино' '" + toneMp3() +
            "' '" + (dir / "l.mp3") + "' 2>/dev/null || LC_ALL=C.UTF-8 lame --quiet --decode '" + toneMp3() +
            "' - | LC_ALL=C.UTF-8 lame --quiet --id3v2-utf16 --tt 'Группа крови' --ta 'Кино' - '" +
            (dir / "l.mp3") + "'"),
        0);
    Track t = readTrack(dir / "l.mp3");
    EXPECT_EQ(t.artist, "Кино");
    EXPECT_EQ(t.title, "Группа крови");
    EXPECT_EQ(t.fileName, "l.mp3");
    EXPECT_GE(t.seconds, 1);
    EXPECT_GT(t.kbps, 0);

    // An ID3v1 tag holding Windows-1251 bytes, as older Russian tools wrote it.
    fs::copy_file(toneMp3(), dir / "v1.mp3");
    std::string tag(128, '\0');
    tag.replace(0, 3, "TAG");
    tag.replace(3, 6, text::toCp1251("Звезда"));
    tag.replace(33, 4, text::toCp1251("Кино"));
    tag[127] = char(255);
    std::ofstream(dir / "v1.mp3", std::ios::app | std::ios::binary) << tag;
    t = readTrack(dir / "v1.mp3");
    EXPECT_EQ(t.artist, "Кино");
    EXPECT_EQ(t.title, "Звезда");

    // Not audio at all: named after the file, no length.
    std::ofstream(dir / "Artist - Junk.mp3") << "not an mp3";
    t = readTrack(dir / "Artist - Junk.mp3");
    EXPECT_EQ(t.artist, "Artist");
    EXPECT_EQ(t.title, "Junk");
    EXPECT_EQ(t.seconds, 0);
}

TEST(Scanner, EachAudioFileOnceSkippingHiddenAndFollowingLinksWithoutLooping) {
    TempDir dir;
    makeTagged(dir / "a/one.mp3", "A", "One");
    makeTagged(dir / "a/b/TWO.MP3", "A", "Two");
    makeTagged(dir / "a/.hidden/three.mp3", "A", "Three");
    makeTagged(dir / "a/.four.mp3", "A", "Four");
    std::ofstream(dir / "a/cover.jpg") << "x";
    std::ofstream(dir / "a/b/tune.mid") << "MThd";
    fs::create_directory_symlink("..", dir / "a/b/loop");  // a link back up: walked once
    fs::create_directories(dir / "elsewhere");
    makeTagged(dir / "elsewhere/five.mp3", "E", "Five");
    fs::create_directory_symlink(dir / "elsewhere", dir / "a/linked");

    auto tracks = scanFolders({dir / "a", dir / "a/b/", dir / "missing"}, 2);
    std::vector<std::string> names;
    for (auto& t : tracks) names.push_back(t.fileName);
    std::sort(names.begin(), names.end());
    // MIDI is not listed: a link to it would not play.
    EXPECT_EQ(names, (std::vector<std::string>{"TWO.MP3", "five.mp3", "one.mp3"}));
    EXPECT_TRUE(isAudioFileName("x.Flac"));
    EXPECT_FALSE(isAudioFileName("mp3"));
    EXPECT_STREQ(contentTypeFor("a.OGG"), "audio/ogg");
    EXPECT_STREQ(contentTypeFor("a.txt"), "application/octet-stream");
}

}  // namespace
