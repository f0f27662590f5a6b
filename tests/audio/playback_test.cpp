// Playback control over a stand-in library: what is passed to each entry,
// the release of replaced sounds, the bars' arithmetic and the volume drag.
#include "audio/playback.h"

#include <gtest/gtest.h>

#include "app/next_track.h"
#include "audio/audio_binding.h"
#include "audio/fake_audio_fixture.h"
#include "platform/gui/gui_testing.h"
#include "state/app_state.h"
#include "ui/hover.h"
#include "ui/ids.h"

using fake_audio::lastCall;
using fake_audio::state;

namespace {

class Playback : public testing::Test {
  protected:
    void SetUp() override {
        resetAppState();
        appState.volume = 0.5f;
        appState.volumeFill = 33;
        fake_audio::install();
        gui::createWindow(win::MainWindow, gui::WindowStyle::Popup, 727, 400, "test");
        gui::createImage(img::PauseImage, 10, 10);
        gui::createImage(img::MutedImage, 10, 10);
        gui::createPicture(ctl::PauseIndicator, win::MainWindow, 0, {5, 5, 10, 10}, 0);
        gui::createPicture(ctl::MuteButton, win::MainWindow, 0, {20, 5, 10, 10}, 0);
        gui::createPicture(ctl::PositionBar, win::MainWindow, 0, {12, 380, 700, 3}, 0);
        gui::createPicture(ctl::VolumeBar, win::MainWindow, 0, {600, 40, 67, 18}, 0);
        gui::createList(ctl::SearchResultsList, win::MainWindow, 0, {10, 100, 300, 200}, "", 290, true, {});
        gui::showWindow(win::MainWindow);
    }
    void TearDown() override {
        gui::simulateLeftButton(-1);
        gui::releaseAll();
    }
};

// As the loop drags the volume: hover reads the pointer, playback takes the level.
void dragVolume(int event) {
    if (const std::optional<int32_t> x = trackVolumeDrag(event, 0)) setVolumeFromBar(*x);
}

}  // namespace

TEST_F(Playback, StartStreamOpensPlaysSetsVolumeAndReleasesWhatItReplaces) {
    initAudioSystem();
    EXPECT_EQ(state().calls, (std::vector<std::string>{"Create", "Init 1 1 0"}));
    state().calls.clear();

    startStream("http://127.0.0.1/a.mp3");
    FMOD_SOUND* first = appState.audioSound;
    EXPECT_EQ(state().calls, (std::vector<std::string>{"CreateStream 1 http://127.0.0.1/a.mp3 0x40",
                                                       "PlaySound 0 2 0", "SetVolume 3 0.5"}));
    state().calls.clear();
    startStream("/music/b.mp3");
    EXPECT_EQ(state().calls, (std::vector<std::string>{"CreateStream 1 /music/b.mp3 0x40", "PlaySound 0 4 0",
                                                       "SetVolume 5 0.5", "SoundRelease 2"}));
    EXPECT_NE(appState.audioSound, first);

    // A failed open plays nothing (not the old sound again) and still releases the old one.
    state().calls.clear();
    startStream("fail");
    EXPECT_EQ(appState.audioSound, nullptr);
    EXPECT_EQ(appState.audioChannel, nullptr);
    EXPECT_EQ(state().calls, (std::vector<std::string>{"CreateStream 1 fail 0x40", "PlaySound 0 0 0",
                                                       "SetVolume 0 0.5", "SoundRelease 4"}));
    state().calls.clear();
    startStream("/music/c.mp3");
    EXPECT_EQ(lastCall(), "SetVolume 7 0.5");  // nothing left to release

    state().calls.clear();
    releaseAudio();
    EXPECT_EQ(state().calls, (std::vector<std::string>{"SoundRelease 6", "Close 1", "Release 1"}));
}

TEST_F(Playback, ANewStreamStaysMutedAndEndsAPause) {
    togglePause();
    toggleMute();
    state().calls.clear();
    startStream("b");
    EXPECT_EQ(state().calls[2], "SetVolume 2 0");  // muted: silent from its first sample
    EXPECT_EQ(appState.muteOn, 1);
    EXPECT_EQ(gui::controlImage(ctl::MuteButton), img::MutedImage);
    EXPECT_EQ(appState.pauseOn, 0);  // the chosen track plays: no pause shown
    EXPECT_EQ(gui::controlImage(ctl::PauseIndicator), 0);
    toggleMute();
    EXPECT_EQ(lastCall(), "SetVolume 2 0.5");
}

TEST_F(Playback, PollFillsSpectrumPositionAndPlayingState) {
    state().spectrum = 0.25f;
    state().position = 12345;
    state().playing = 1;
    pollPlayback();
    EXPECT_EQ(state().calls, (std::vector<std::string>{"GetSpectrum 512 0 0", "GetPosition 1", "IsPlaying"}));
    EXPECT_EQ(appState.spectrum[0], 0.25f);
    EXPECT_EQ(appState.spectrum[511], 0.25f);
    EXPECT_EQ(appState.spectrum[512], 0.0f);  // the last two are never written
    EXPECT_EQ(appState.positionMs, 12345u);
    EXPECT_EQ(appState.channelPlaying, 1);
    // Stopped, but with no advance flag set nothing is started.
    state().playing = 0;
    state().calls.clear();
    pollPlayback();
    EXPECT_EQ(state().calls.size(), 3u);
}

TEST_F(Playback, PauseAndMuteToggleTheChannelAndTheirPictures) {
    startStream("a");
    state().calls.clear();
    togglePause();
    EXPECT_EQ(lastCall(), "SetPaused 2 1");
    EXPECT_EQ(gui::controlImage(ctl::PauseIndicator), img::PauseImage);
    togglePause();
    EXPECT_EQ(lastCall(), "SetPaused 2 0");
    EXPECT_EQ(gui::controlImage(ctl::PauseIndicator), 0);

    appState.volume = 0.75f;
    toggleMute();
    EXPECT_EQ(lastCall(), "SetVolume 2 0");
    EXPECT_EQ(gui::controlImage(ctl::MuteButton), img::MutedImage);
    toggleMute();
    EXPECT_EQ(lastCall(), "SetVolume 2 0.75");  // back at the volume, which never changed
    EXPECT_EQ(gui::controlImage(ctl::MuteButton), 0);
    EXPECT_EQ(appState.volume, 0.75f);
}

TEST_F(Playback, SeekArithmetic) {
    EXPECT_EQ(seekTargetMs(200, 350), 100000u);
    EXPECT_EQ(seekTargetMs(200, 1), 0u);  // 200 x 1 / 700 truncates to 0
    EXPECT_EQ(seekTargetMs(245, 699), 244000u);
    EXPECT_EQ(seekTargetMs(0, 500), 0u);
    EXPECT_EQ(seekTargetMs(200, -13), 0u);  // left of the bar: the start, not a wrapped-round position
    EXPECT_EQ(seekTargetMs(2000000000, 700), UINT32_MAX);

    startStream("a");
    appState.trackLengthSeconds = 200;
    appState.mouseX = 12 + 350;  // the bar starts at x = 12
    seekFromPositionBar();
    EXPECT_EQ(lastCall(), "SetPosition 2 100000 1");
}

TEST_F(Playback, VolumeArithmeticClampsToTheFills60And2) {
    auto expectSetting = [](int x, float volume, int fill) {
        const VolumeSetting s = volumeForPointer(x);
        EXPECT_FLOAT_EQ(s.volume, volume) << "x = " << x;
        EXPECT_EQ(s.fill, fill) << "x = " << x;
    };
    expectSetting(57, 1.0f, 60);
    expectSetting(90, 1.0f, 60);
    expectSetting(0, 0.0f, 2);
    expectSetting(-4, 0.0f, 2);
    expectSetting(28, 28.0f / 57.0f, 28);
    expectSetting(1, 1.0f / 57.0f, 1);
    expectSetting(56, 56.0f / 57.0f, 56);
}

TEST_F(Playback, VolumeDragActsOnMouseMovesOverTheBarWithTheButtonHeld) {
    startStream("a");
    const gui::Rect bar = gui::controlScreenRect(ctl::VolumeBar);
    const int move = static_cast<int>(gui::EventKind::MouseMove);

    // Over the bar without the button: the hand cursor, nothing else.
    gui::simulateMouseMove({bar.x + 20, bar.y + 5});
    gui::simulateLeftButton(0);
    appState.mouseX = 600 + 20;
    state().calls.clear();
    dragVolume(move);
    EXPECT_TRUE(gui::handCursorShown());
    EXPECT_TRUE(state().calls.empty());
    EXPECT_EQ(appState.volumeFill, 33);
    EXPECT_EQ(appState.pointerOverVolume, 1);

    // Held: the fill follows the pointer and the channel takes the volume.
    gui::simulateLeftButton(1);
    dragVolume(static_cast<int>(gui::EventKind::Control));  // not a mouse move: ignored
    EXPECT_EQ(appState.volumeFill, 33);
    dragVolume(move);
    EXPECT_EQ(appState.volumeFill, 20);
    EXPECT_FLOAT_EQ(appState.volume, 20.0f / 57.0f);
    EXPECT_EQ(lastCall().rfind("SetVolume 2 0.35", 0), 0u) << lastCall();

    appState.mouseX = 600 + 66;
    gui::simulateMouseMove({bar.x + 66, bar.y + 5});
    dragVolume(move);
    EXPECT_EQ(appState.volumeFill, 60);
    EXPECT_EQ(appState.volume, 1.0f);

    // Dragging while muted unmutes: the picture never shows over audible sound.
    toggleMute();
    dragVolume(move);
    EXPECT_EQ(appState.muteOn, 0);
    EXPECT_EQ(gui::controlImage(ctl::MuteButton), 0);
    EXPECT_EQ(lastCall(), "SetVolume 2 1");
    toggleMute();
    EXPECT_EQ(lastCall(), "SetVolume 2 0") << "the next mute click mutes";

    // Away from the bar the flag drops and nothing else changes.
    gui::simulateMouseMove({bar.x - 200, bar.y + 100});
    appState.mouseX = 400;
    dragVolume(move);
    EXPECT_EQ(appState.pointerOverVolume, 0);
    EXPECT_EQ(appState.volumeFill, 60);
}

TEST_F(Playback, ASearchResultPlaysItsResolvedLinkAndNamesItsRow) {
    setenv("KESTREL_SITE_URL", "http://127.0.0.1:9/", 1);
    appState.searchResults = {{"/f/one.mp3", "Один", "Первый"},
                              {"http://127.0.0.1:9/two.mp3", "Два", "Второй"}};
    gui::listAddRow(ctl::SearchResultsList, "0. Один", 0);
    gui::listAddRow(ctl::SearchResultsList, "1. Два", 0);

    playSearchResult();  // no row selected: nothing
    EXPECT_TRUE(state().calls.empty());
    EXPECT_EQ(appState.advanceResults, 0);

    appState.advancePlaylist = 1;
    gui::listSelectRow(ctl::SearchResultsList, 0);
    playSearchResult();
    EXPECT_EQ(state().calls.front(), "CreateStream 0 http://127.0.0.1:9/f/one.mp3 0x40");
    EXPECT_EQ(appState.currentIndex, 0);
    EXPECT_EQ(appState.nowPlayingText, "0. Один");
    EXPECT_EQ(appState.currentTitle, "Первый");
    EXPECT_EQ(appState.advanceResults, 1);
    EXPECT_EQ(appState.advancePlaylist, 0);

    gui::listSelectRow(ctl::SearchResultsList, 1);
    playSearchResult();
    EXPECT_EQ(appState.currentIndex, 1);
    EXPECT_EQ(appState.currentTitle, "Второй");

    // A row without a result behind it (the list and the results out of step) starts nothing.
    gui::listAddRow(ctl::SearchResultsList, "2. Три", 0);
    gui::listSelectRow(ctl::SearchResultsList, 2);
    state().calls.clear();
    playSearchResult();
    EXPECT_TRUE(state().calls.empty());
    unsetenv("KESTREL_SITE_URL");
}

TEST_F(Playback, WithoutALibraryEveryOperationIsHarmless) {
    appState.audio = AudioFunctions{};
    initAudioSystem();
    startStream("a");
    pollPlayback();
    togglePause();
    toggleMute();
    seekFromPositionBar();
    releaseAudio();
    EXPECT_EQ(appState.audioSound, nullptr);
    EXPECT_EQ(appState.pauseOn, 1);
    EXPECT_TRUE(state().calls.empty());
}
