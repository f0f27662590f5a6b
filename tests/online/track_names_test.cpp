// Names made from remote titles: saved files and the video search term.
#include <gtest/gtest.h>

#include "online/track_file_name.h"
#include "online/video_view.h"

TEST(TrackFileName, StaysInTheWorkingDirectory) {
    EXPECT_EQ(trackFileName("Artist - Song"), "Artist - Song.mp3");
    EXPECT_EQ(trackFileName("AC/DC - Back"), "AC_DC - Back.mp3");
    EXPECT_EQ(trackFileName("../../etc/passwd"), ".._.._etc_passwd.mp3");
    EXPECT_EQ(trackFileName(std::string("a\0b", 3)), "a_b.mp3");
    EXPECT_EQ(trackFileName("Don&#39;t"), "Don&#39;t.mp3");
    EXPECT_EQ(trackFileName(""), "Без названия.mp3");
    EXPECT_EQ(trackFileName("."), "Без названия.mp3");
    EXPECT_EQ(trackFileName(".."), "Без названия.mp3");
    EXPECT_EQ(trackFileName("..."), "....mp3");
}

TEST(TrackFileName, ALongTitleIsShortenedAtACharacterBoundary) {
    std::string title;
    for (int i = 0; i < 200; ++i) title += "Я";  // 400 bytes
    std::string name = trackFileName(title);
    EXPECT_LE(name.size(), 255u);
    EXPECT_EQ(name.substr(name.size() - 4), ".mp3");
    EXPECT_EQ((name.size() - 4) % 2, 0u);  // whole two-byte letters only
    // A further copy keeps within the limit too.
    std::string copy = trackFileName(title, 12);
    EXPECT_LE(copy.size(), 255u);
    EXPECT_EQ(copy.substr(copy.size() - 9), " (12).mp3");
    EXPECT_EQ(trackFileName("Artist - Song", 2), "Artist - Song (2).mp3");
}

TEST(VideoSearchTerm, RemovesDigitsAndTheFirstPunctuation) {
    EXPECT_EQ(videoSearchTerm("Artist - Song 2010"), "Artist  Song ");
    EXPECT_EQ(videoSearchTerm("X-Y-Z"), "XY-Z");
    EXPECT_EQ(videoSearchTerm(videoSearchTerm("X-Y-Z")), "XYZ");
    EXPECT_EQ(videoSearchTerm("1111"), "1");
    EXPECT_EQ(videoSearchTerm("."), "");
    EXPECT_EQ(videoSearchTerm("a_b_c.d.e"), "ab_cd.e");
    EXPECT_EQ(videoSearchTerm("Кино - Группа крови 1988"), "Кино  Группа крови ");
}
