// The program as it stands after start-up.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include "app/app_fixture.h"
#include "online/connectivity.h"
#include "platform/gui/gui_testing.h"
#include "platform/net/net_testing.h"
#include "state/addresses.h"
#include "state/app_state.h"
#include "support/loopback_listener.h"
#include "ui/ids.h"

using StartUp = StartedApp;

TEST_F(StartUp, StateHoldsItsStartValues) {
    EXPECT_FLOAT_EQ(appState.volume, 0.5f);
    EXPECT_EQ(appState.volumeFill, 33);
    EXPECT_EQ(appState.currentStyle, "Всё подряд");
    EXPECT_EQ(appState.radioMode + appState.mp3Mode + appState.compactMode + appState.searchMade, 0);
    EXPECT_EQ(appState.pauseOn + appState.muteOn + appState.recordingActive, 0);
    EXPECT_EQ(appState.addIcon, img::AddIconImage);
    EXPECT_EQ(appState.playlistIcon, img::PlaylistIconImage);
    EXPECT_EQ(appState.spectrum.size(), 514u);
}

TEST_F(StartUp, OpensTheSkinnedMainWindowInSearchMode) {
    ASSERT_TRUE(gui::windowVisible(win::MainWindow));
    const gui::Rect client = gui::windowClientRect(win::MainWindow);
    EXPECT_EQ(client.w, 727);
    EXPECT_EQ(client.h, 400);
    EXPECT_EQ(gui::windowTitle(win::MainWindow).rfind("Поиск MP3 на  http", 0), 0u);
    EXPECT_EQ(gui::windowBackgroundImage(win::MainWindow), img::SearchSkin);
    EXPECT_FALSE(gui::windowShape(win::MainWindow).empty());

    EXPECT_EQ(gui::controlRect(ctl::SearchResultsPanel).x, 15);
    EXPECT_EQ(gui::controlRect(ctl::PlaylistPanel).x, 462);
    EXPECT_EQ(gui::controlRect(ctl::StylePanel).x, -1000);
    EXPECT_EQ(gui::controlRect(ctl::StationPanel).x, -1000);
    EXPECT_EQ(gui::controlRect(ctl::LocalFilesPanel).x, -2000);
    EXPECT_EQ(gui::controlRect(ctl::SearchField).x, 43);
    EXPECT_EQ(gui::text(ctl::SearchField), "Depeche Mode Remix");
    // The pictures shipped beside the program take their own sizes.
    const gui::Rect searchPicture = gui::controlRect(ctl::SearchPicture);
    EXPECT_EQ(searchPicture.x, 85);
    EXPECT_GT(searchPicture.w, 0);
    EXPECT_EQ(gui::controlRect(ctl::PositionBar).y, 3333);
}

TEST_F(StartUp, RegisterPlacesEveryControl) {
    struct Expected {
        int control;
        gui::Rect rect;
    };
    const Expected expected[] = {
        {ctl::SearchResultsList, {-2, -26, 540, 249}}, {ctl::PlaylistList, {-2, -26, 290, 249}},
        {ctl::StyleList, {-2, -26, 265, 244}},         {ctl::StationList, {-2, -26, 390, 244}},
        {ctl::LocalFilesList, {-2, -26, 433, 269}},    {ctl::ArtistIndexLink, {265, 82, 105, 14}},
        {ctl::TitleHotspot, {0, 0, 100, 25}},          {ctl::ConnectionIndicator, {400, 84, 14, 9}},
        {ctl::SearchButton, {226, 30, 65, 17}},        {ctl::SiteLogoLink, {15, 350, 125, 30}},
        {ctl::PlayButton, {358, 337, 47, 47}},         {ctl::MinimizeButton, {650, 5, 20, 12}},
        {ctl::AboutButton, {675, 5, 20, 12}},          {ctl::CloseButton, {697, 5, 23, 13}},
        {ctl::PauseIndicator, {362, 341, 38, 38}},     {ctl::TimeDisplay, {232, 352, 45, 15}},
        {ctl::VolumeBar, {491, 356, 67, 18}},          {ctl::StatusStrip, {5, 58, 715, 16}},
        {ctl::RecordButton, {290, 353, 14, 14}},       {ctl::MuteButton, {457, 351, 21, 20}},
        {ctl::RadioModeButton, {646, 23, 60, 31}},     {ctl::Mp3ModeButton, {585, 23, 60, 31}},
        {ctl::OpenFolderButton, {1290, 352, 18, 17}},  {ctl::PositionBar, {11, 3333, 700, 3}},
        {ctl::VideoButton, {630, 342, 70, 30}},        {ctl::HistoryHolder, {30, 40, 100, 0}},
    };
    for (const auto& e : expected) EXPECT_EQ(gui::controlRect(e.control), e.rect) << "control " << e.control;
    for (int k = 0; k < ctl::SpectrumBandCount; ++k)
        EXPECT_EQ(gui::controlRect(ctl::SpectrumBarFirst + k), (gui::Rect{346 + 2 * k, 31, 1, 15}));
}

TEST_F(StartUp, TooltipsAndStyles) {
    EXPECT_EQ(gui::tooltip(ctl::PlayButton), "Пауза");
    EXPECT_EQ(gui::tooltip(ctl::RecordButton), "Запись");
    EXPECT_EQ(gui::tooltip(ctl::AlbumPhoto), "Поместить в альбом, фото исполнителя jpg 270x210 с именем яяя");
    EXPECT_EQ(gui::tooltip(ctl::VideoButton), "Скачать видео YouTube");
    ASSERT_EQ(gui::listRowCount(ctl::StyleList), 22);
    EXPECT_EQ(gui::listRowText(ctl::StyleList, 0), "Biues & rock");
    EXPECT_EQ(gui::listRowText(ctl::StyleList, 21), "Всё подряд");
}

TEST_F(StartUp, FontsFindMetricCompatibleFaces) {
    EXPECT_EQ(gui::fontFamily(font::TimeFont), "Liberation Sans");
    EXPECT_EQ(gui::fontFamily(font::StatusFont), "Liberation Sans");
    EXPECT_EQ(gui::fontFamily(font::NumberFont), "Carlito");
}

TEST_F(StartUp, RowIconsAreDrawnStrokeByStroke) {
    auto lit = [](int image) {
        std::string rows;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const gui::Rgb p = gui::imagePixel(image, x, y);
                rows += p == gui::Rgb{131, 131, 131}   ? 'F'
                        : p == gui::Rgb{180, 180, 180} ? 'm'
                        : p == gui::Rgb{}              ? '.'
                                                       : '?';
            }
            rows += '\n';
        }
        return rows;
    };
    EXPECT_EQ(lit(img::AddIconImage),
              "................\n"
              "..FFFFFFFFFFF...\n"
              ".F...........F..\n"
              ".F...........F..\n"
              ".F...........F..\n"
              ".F.....m.....F..\n"
              ".F.....m.....F..\n"
              ".F...mmmmm...F..\n"
              ".F.....m.....F..\n"
              ".F.....m.....F..\n"
              ".F...........F..\n"
              ".F...........F..\n"
              ".F...........F..\n"
              "..FFFFFFFFFFF...\n"
              "................\n"
              "................\n");
    EXPECT_EQ(lit(img::PlaylistIconImage),
              "................\n"
              "..FFFFFFFFFFF...\n"
              ".F...........F..\n"
              ".F...........F..\n"
              ".F....mmm....F..\n"
              ".F...m.......F..\n"
              ".F...m.......F..\n"
              ".F...m.......F..\n"
              ".F...m.......F..\n"
              ".F...m.......F..\n"
              ".F....mmm....F..\n"
              ".F...........F..\n"
              ".F...........F..\n"
              "..FFFFFFFFFFF...\n"
              "................\n"
              "................\n");
}

// Missing or damaged pictures leave their controls empty; nothing else happens.
class StartUpWithBadPictures : public StartedApp {
  protected:
    bool withPictures() const override { return false; }
    void prepare(const std::filesystem::path& dir) override {
        testsupport::writeFile(dir / "DM.jpg", "this is not a picture");
        // A real JPEG cut in half.
        const auto data = std::filesystem::path(KESTREL_SOURCE_DIR) / "data";
        const std::string whole = testsupport::readFile(data / "999.jpg");
        testsupport::writeFile(dir / "999.jpg", whole.substr(0, whole.size() / 2));
        std::filesystem::create_directory(dir / "333.jpg");  // a folder where a file should be
    }
};

TEST_F(StartUpWithBadPictures, ControlsStayEmptyAndNoMessageIsShown) {
    EXPECT_EQ(gui::controlRect(ctl::SearchPicture).w, 0);
    EXPECT_EQ(gui::controlRect(ctl::AlbumPhoto).w, 0);
    EXPECT_EQ(gui::controlRect(ctl::RadioPicture).w, 0);
    for (const auto& box : gui::shownMessageBoxes())
        EXPECT_EQ(box.text, "Соединение с Интернетом отсутствует !");  // the only one start-up may show
    EXPECT_TRUE(gui::windowVisible(win::MainWindow));
}

// Offline, with the search site answering on this machine: the search
// works, so start-up does not warn of a missing connection.
class StartUpOfflineWithALocalSite : public StartedApp {
  protected:
    void prepare(const std::filesystem::path&) override {
        int port = 0;
        listener_ = testsupport::listenOnLoopback(port);
        ASSERT_GE(listener_, 0);
        site_ = std::thread([fd = listener_] {
            for (int client; (client = ::accept(fd, nullptr, nullptr)) >= 0; ::close(client)) {
                char request[4096];
                if (::recv(client, request, sizeof request, 0) <= 0) continue;
                const char answer[] = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
                ::send(client, answer, sizeof answer - 1, MSG_NOSIGNAL);
            }
        });
        ::setenv("KESTREL_SITE_URL", ("http://127.0.0.1:" + std::to_string(port) + "/").c_str(), 1);
        net::overrideConnected(false);
    }
    void TearDown() override {
        StartedApp::TearDown();
        net::overrideConnected(std::nullopt);
        ::unsetenv("KESTREL_SITE_URL");
        ::shutdown(listener_, SHUT_RDWR);
        site_.join();
        ::close(listener_);
    }
    int listener_ = -1;
    std::thread site_;
};

TEST_F(StartUpOfflineWithALocalSite, DoesNotWarnOfAMissingConnection) {
    EXPECT_TRUE(gui::shownMessageBoxes().empty());
    ::shutdown(listener_, SHUT_RDWR);
    EXPECT_FALSE(siteAnswers(musicSiteBase())) << "a site that is gone does not answer";
}
