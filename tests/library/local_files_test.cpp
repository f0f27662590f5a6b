// The mp3 mode's folder browser: listing, the numbered icons, choosing and
// playing a file, and the album photo's size.
#include "library/local_files.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/next_track.h"
#include "audio/track_length.h"
#include "library_fixture.h"
#include "platform/gui/gui_testing.h"
#include "state/app_state.h"
#include "ui/ids.h"

namespace {

// A silent 8 kHz, 8-bit mono WAV file of the given length.
void writeWav(const std::string& path, int seconds) {
    const uint32_t data = 8000u * static_cast<uint32_t>(seconds);
    auto u32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto u16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    writeFile(path, "RIFF" + u32(36 + data) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(8000) + u32(8000) +
                        u16(1) + u16(8) + "data" + u32(data) + std::string(data, '\x80'));
}

bool makeJpeg(const std::string& path, int w, int h, const std::string& colour = "red") {
    const std::string command = "ffmpeg -nostdin -loglevel error -y -f lavfi -i color=c=" + colour +
                                ":s=" + std::to_string(w) + "x" + std::to_string(h) + " -frames:v 1 '" +
                                path + "'";
    return std::system(command.c_str()) == 0;
}

// Leftmost column of the red number on a row's icon, -1 when none.
int leftmostRed(int image) {
    for (int x = 0; x < 16; ++x)
        for (int y = 0; y < 16; ++y) {
            const gui::Rgb p = gui::imagePixel(image, x, y);
            if (p.r > 120 && p.g < 90 && p.b < 90) return x;
        }
    return -1;
}

class LocalFilesTest : public LibraryTest {
  protected:
    // The mixed folder: two MP3 files (one in capitals), a text file, a WAV file.
    void makeMixedFolder() {
        ::mkdir("music", 0755);
        writeFile("music/Первый.MP3", "");
        writeFile("music/second.mp3", "");
        writeFile("music/notes.txt", "");
        writeWav("music/third.wav", 59);
        expected = {"    second.mp3", "    third.wav", "    Первый.MP3"};
    }
    std::vector<std::string> expected;
};

TEST_F(LocalFilesTest, ListsAudioFilesOfAnyCaseInNameOrderWithNumbers) {
    makeMixedFolder();
    ::mkdir("music/folder.Mp3", 0755);
    // Every format the audio library plays, whatever the extension's length.
    for (const char* name : {"music/x.FLAC", "music/y.opus", "music/z.midi", "music/w.m4a", "music/v.ogg",
                             "music/cover.jpg", "music/playlist.m3u"})
        writeFile(name, "");
    expected = {"    folder.Mp3", "    second.mp3", "    third.wav", "    v.ogg",     "    w.m4a",
                "    x.FLAC",     "    y.opus",     "    z.midi",    "    Первый.MP3"};

    listLocalFolder(folder.str() + "/music/second.mp3");
    EXPECT_EQ(appState.localFolder, folder.str() + "/music/");
    EXPECT_EQ(rows(ctl::LocalFilesList), expected);
    EXPECT_EQ(gui::listSelectedRow(ctl::LocalFilesList), 0);
    int icons[4];
    for (int r = 0; r < 4; ++r) {
        icons[r] = gui::listRowIcon(ctl::LocalFilesList, r);
        EXPECT_EQ(gui::imageSize(icons[r]), (gui::Rect{0, 0, 16, 16}));
        EXPECT_GE(leftmostRed(icons[r]), 5) << "numbers below 10 stand at x = 5";
    }
    EXPECT_NE(icons[0], icons[1]) << "each row keeps its own icon";
    EXPECT_NE(icons[2], icons[3]);
    // The title is the name without its extension, however long that is.
    gui::listSelectRow(ctl::LocalFilesList, 5);
    playLocalFile();
    EXPECT_EQ(appState.currentTitle, "x");
}

// The directory gives hash order; an album must play as its track numbers say.
TEST_F(LocalFilesTest, NameOrderIgnoresCaseAndComparesNumbersByValue) {
    for (const char* name :
         {"10 ten.mp3", "2 two.mp3", "01 one.mp3", "B side.mp3", "a side.mp3", "track9.mp3", "Track10.mp3"})
        writeFile(name, "");
    listLocalFolder("");
    EXPECT_EQ(rows(ctl::LocalFilesList),
              (std::vector<std::string>{"    01 one.mp3", "    2 two.mp3", "    10 ten.mp3", "    a side.mp3",
                                        "    B side.mp3", "    track9.mp3", "    Track10.mp3"}));
    // Every script folds its case, also in a Windows-1251 name.
    for (const std::string& name :
         {std::string("Бета.mp3"), std::string("Гамма.mp3"), std::string("альфа.mp3"), cp("вита.mp3"),
          std::string("Ärger.mp3"), std::string("zebra.mp3")})
        writeFile(name, "");
    listLocalFolder("");
    const std::vector<std::string> all = rows(ctl::LocalFilesList);
    EXPECT_EQ(std::vector<std::string>(all.end() - 4, all.end()),
              (std::vector<std::string>{"    альфа.mp3", "    Бета.mp3", "    вита.mp3", "    Гамма.mp3"}));
    EXPECT_EQ(all[7], "    zebra.mp3");
    EXPECT_EQ(all[8], "    Ärger.mp3");
}

// A length read late (a loaded machine) reaches the strip on a later pass
// of the loop, while the sound plays.
void waitForLateLength() {
    appState.channelPlaying = 1;
    for (int i = 0; i < 500 && trackLengthPending(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        advanceAfterStop();
    }
}

// A name that is not UTF-8 shows decoded as Windows-1251 and still plays.
TEST_F(LocalFilesTest, Cp1251NameShowsDecodedAndPlaysByItsBytes) {
    writeWav(cp("Песня.wav"), 2);
    listLocalFolder("");
    EXPECT_EQ(rows(ctl::LocalFilesList), std::vector<std::string>{"    Песня.wav"});
    EXPECT_EQ(localFileName(0), cp("Песня.wav"));
    gui::listSelectRow(ctl::LocalFilesList, 0);
    playLocalFile();
    EXPECT_EQ(appState.currentTitle, "Песня");
    waitForLateLength();
    EXPECT_EQ(appState.nowPlayingText, "1        Песня.wav     0:02") << "the length probe found the file";
}

TEST_F(LocalFilesTest, TwoDigitNumbersMoveLeft) {
    for (int i = 0; i < 10; ++i) writeFile("t" + std::to_string(i) + ".mid", "");
    listLocalFolder("");
    ASSERT_EQ(gui::listRowCount(ctl::LocalFilesList), 10);
    const int x9 = leftmostRed(gui::listRowIcon(ctl::LocalFilesList, 8));
    const int x10 = leftmostRed(gui::listRowIcon(ctl::LocalFilesList, 9));
    EXPECT_GE(x9, 5);
    EXPECT_GE(x10, 2);
    EXPECT_LT(x10, 5);
}

TEST_F(LocalFilesTest, ChoosingTheWavFilePlaysItsRow) {
    makeMixedFolder();
    dialogAnswer = folder.str() + "/music/third.wav";
    openLocalFile();
    const int row = gui::listSelectedRow(ctl::LocalFilesList);
    ASSERT_GE(row, 0);
    EXPECT_EQ(gui::listRowText(ctl::LocalFilesList, row), "    third.wav");
    EXPECT_EQ(appState.localFilesIndex, row);
    EXPECT_EQ(gui::text(ctl::SearchField), "third");
    EXPECT_EQ(appState.currentTitle, "third");
    EXPECT_EQ(appState.advanceLocalFiles, 1);
    EXPECT_EQ(appState.advancePlaylist, 0);
    waitForLateLength();
    EXPECT_EQ(appState.nowPlayingText, std::to_string(row + 1) + "        third.wav     0:59");
}

TEST_F(LocalFilesTest, CancelledDialogListsTheWorkingDirectory) {
    writeFile("here.mp3", "");
    writeFile("readme.txt", "");
    dialogAnswer = "";
    openLocalFile();
    EXPECT_EQ(rows(ctl::LocalFilesList), std::vector<std::string>{"    here.mp3"});
    EXPECT_EQ(appState.localFilesIndex, -1) << "nothing chosen starts nothing";
    EXPECT_EQ(appState.localFolder, "");
    EXPECT_EQ(appState.advanceLocalFiles, 1);
}

TEST_F(LocalFilesTest, VanishedFolderListsNothing) {
    writeFile("stale.mp3", "");
    listLocalFolder("");
    ASSERT_EQ(gui::listRowCount(ctl::LocalFilesList), 1);
    listLocalFolder(folder.str() + "/gone/away.mp3");
    EXPECT_EQ(gui::listRowCount(ctl::LocalFilesList), 0);
    EXPECT_EQ(gui::listSelectedRow(ctl::LocalFilesList), -1);
    appState.nowPlayingText = "unchanged";
    playLocalFile();
    EXPECT_EQ(appState.nowPlayingText, "unchanged");
}

// The photo fills as much of the 270 x 210 frame as its shape allows,
// centred; the rest of the frame is transparent.
TEST_F(LocalFilesTest, AlbumPhotoKeepsItsShapeInsideTheFrame) {
    ::mkdir("album", 0755);
    appState.chosenFile = folder.str() + "/album/x.mp3";
    // The last: a picture so wide that it keeps one line.
    const struct {
        int w, h;
        gui::Rect shown;
    } cases[] = {{300, 300, {30, 0, 210, 210}},
                 {540, 300, {0, 30, 270, 150}},
                 {540, 420, {0, 0, 270, 210}},
                 {2700, 6, {0, 104, 270, 1}}};
    for (const auto& c : cases) {
        ASSERT_TRUE(makeJpeg("album/яяя.jpg", c.w, c.h));
        refreshAlbum();
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        ASSERT_EQ(gui::imageSize(img::AlbumPhotoImage), (gui::Rect{0, 0, 270, 210}));
        EXPECT_EQ(gui::controlImage(ctl::AlbumPhoto), img::AlbumPhotoImage);
        const gui::Rect& r = c.shown;
        EXPECT_GT(gui::imagePixel(img::AlbumPhotoImage, r.x + r.w / 2, r.y + r.h / 2).r, 200);
        EXPECT_EQ(gui::imageAlpha(img::AlbumPhotoImage, r.x + r.w / 2, r.y + r.h / 2), 255);
        if (r.x > 0) {
            EXPECT_EQ(gui::imageAlpha(img::AlbumPhotoImage, r.x - 2, 105), 0) << "bar at the left";
        }
        if (r.y > 0) {
            EXPECT_EQ(gui::imageAlpha(img::AlbumPhotoImage, 135, r.y - 2), 0) << "bar at the top";
            EXPECT_EQ(gui::imageAlpha(img::AlbumPhotoImage, 135, r.y + r.h + 1), 0) << "bar at the bottom";
        }
    }
}

// "яяя.jpg" first, then the folder's cover file (any case, PNG too), then
// the picture the chosen file carries.
TEST_F(LocalFilesTest, AlbumPhotoComesFromTheFolderThenTheChosenFile) {
    ::mkdir("album", 0755);
    const std::string song = folder.str() + "/album/song.mp3";
    ASSERT_TRUE(makeJpeg("album/blue.jpg", 64, 64, "blue"));
    const std::string make =
        "ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=d=1 -i album/blue.jpg -map 0 "
        "-map 1 -c:a libmp3lame -c:v copy -disposition:v attached_pic '" +
        song + "'";
    ASSERT_EQ(std::system(make.c_str()), 0);
    dialogAnswer = song;
    auto shown = [] {
        return gui::controlImage(ctl::AlbumPhoto) == img::AlbumPhotoImage
                   ? gui::imagePixel(img::AlbumPhotoImage, 135, 105)
                   : gui::Rgb{};
    };
    openLocalFile();
    EXPECT_GT(shown().b, 200) << "the picture the file carries";
    ::unlink("album/blue.jpg");
    ASSERT_TRUE(makeJpeg("album/Folder.PNG", 64, 64, "lime"));
    refreshAlbum();
    EXPECT_GT(shown().g, 200) << "the folder's picture";
    ASSERT_TRUE(makeJpeg("album/яяя.jpg", 64, 64));
    refreshAlbum();
    EXPECT_GT(shown().r, 200) << "яяя.jpg";
}

TEST_F(LocalFilesTest, MissingPhotoShowsThePlaceholderOrNothing) {
    ASSERT_TRUE(makeJpeg("999.jpg", 20, 10));
    loadAlbumPhoto();
    EXPECT_EQ(gui::controlImage(ctl::AlbumPhoto), img::AlbumPlaceholderImage);
    ::unlink("999.jpg");
    loadAlbumPhoto();
    EXPECT_EQ(gui::controlImage(ctl::AlbumPhoto), 0);
}

}  // namespace
