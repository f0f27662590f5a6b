// The data shipped beside the program read through the program's own
// operations: every style has stations, the playlist and the history are
// filled, and every letter label of the artist index has names.
#include <filesystem>

#include "library/artist_catalogue.h"
#include "library/playlist.h"
#include "library/stations.h"
#include "library_fixture.h"
#include "platform/gui/gui.h"
#include "state/app_state.h"
#include "ui/ids.h"

namespace {

std::filesystem::path dataFolder() {
#ifdef KESTREL_SOURCE_DIR
    return std::filesystem::path(KESTREL_SOURCE_DIR) / "data";
#else
    return std::filesystem::path(std::getenv("KESTREL_SOURCE_DIR")) / "data";
#endif
}

class ShippedDataTest : public LibraryTest {
  protected:
    void SetUp() override {
        LibraryTest::SetUp();
        std::filesystem::copy(dataFolder() / "inet_radio.pls", "inet_radio.pls");
        std::filesystem::copy(dataFolder() / "файлы", "файлы");
    }
};

TEST_F(ShippedDataTest, EveryStyleHasStationsAndTheFileStaysAsShipped) {
    const std::string shipped = readFile("inet_radio.pls");
    EXPECT_EQ(shipped.find("\xEF\xBB\xBF"), std::string::npos);
    EXPECT_EQ(shipped.find('\n'), shipped.find("\r\n") + 1) << "CR LF line ends";
    for (int row = 0; row < 22; ++row) {
        gui::listSelectRow(ctl::StyleList, row);
        chooseStyle();
        const size_t least = appState.currentStyle == "Юмор" ? 1 : 3;
        EXPECT_GE(appState.stationEntries.size(), least) << appState.currentStyle;
        for (const auto& entry : appState.stationEntries) {
            EXPECT_TRUE(entry.file.starts_with("http://") || entry.file.starts_with("https://"))
                << entry.file;
            EXPECT_FALSE(entry.title.empty()) << entry.file;
        }
    }
    loadPlaylist();
    EXPECT_GE(gui::listRowCount(ctl::PlaylistList), 3);
    loadHistory();
    EXPECT_GE(gui::comboItemCount(ctl::HistoryCombo), 3);
    EXPECT_EQ(readFile("inet_radio.pls"), shipped);
}

TEST_F(ShippedDataTest, EveryLetterLabelHasNames) {
    openArtistIndex();
    std::vector<int> labels;
    for (int c = ctl::CyrillicLetterLinkFirst; c <= ctl::DigitLink; ++c) labels.push_back(c);
    for (int label : labels) {
        const std::string letter = gui::text(label);
        loadArtistLetter(letter);
        EXPECT_GE(gui::listRowCount(ctl::ArtistList3), 1) << letter;
    }
}

}  // namespace
