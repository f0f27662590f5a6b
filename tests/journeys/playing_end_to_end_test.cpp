// End to end on the real program: start-up maps the carried audio library
// from memory, a double click on a search result streams a tone from a local
// server, and the audio library's WAV output shows what was heard.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <thread>

#include "app/next_track.h"
#include "app/program.h"
#include "audio/display_refresh.h"
#include "audio/track_length.h"
#include "platform/gui/gui_testing.h"
#include "platform/net/net_testing.h"
#include "state/app_state.h"
#include "state/texts.h"
#include "support/temp_dir.h"
#include "ui/ids.h"

namespace {

using Clock = std::chrono::steady_clock;

// Runs the program's loop (and with it the 35 ms refresh) for a while.
void pump(int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) loopPass();
}

template <typename F>
bool pumpUntil(F done, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < end) {
        loopPass();
        if (done()) return true;
    }
    return false;
}

// Runs the loop until one refresh has run after this moment: a pass that
// begins after the refresh period runs the due refresh first.
void pumpPastOneRefresh() {
    const auto start = Clock::now();
    do loopPass();
    while (Clock::now() - start < std::chrono::milliseconds(36));
    loopPass();
}

// Waits for the audio to change what `drawn` depends on, then checks that
// `control` shows something else within one refresh.
template <typename F>
void expectShownWithinOneRefresh(int control, F drawn, const char* what) {
    const auto before = drawn();
    const std::vector<uint32_t> shown = gui::controlShownPixels(control);
    ASSERT_TRUE(pumpUntil([&] { return drawn() != before; }, 3000))
        << what << ": the audio did not change it";
    pumpPastOneRefresh();
    EXPECT_NE(gui::controlShownPixels(control), shown) << what << " not shown within one refresh";
}

void click(int control, gui::ControlEventType type, gui::Point screen) {
    const gui::Rect r = gui::controlScreenRect(control);
    gui::simulateMouseMove(screen);  // the loop reads the pointer position for the seek
    gui::simulateClick(control, type, screen.x - r.x, screen.y - r.y);
}

// Frames (stereo, 16-bit) written to the WAV output so far.
size_t wavFrames(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    const auto size = static_cast<size_t>(in.tellg());
    return size > 44 ? (size - 44) / 4 : 0;
}

// The loudest sample of frames [from, to) of the WAV output.
int peakBetween(const std::string& path, size_t from, size_t to) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), {}};
    const size_t data = bytes.find("data");
    if (data == std::string::npos) return -1;
    int peak = 0;
    for (size_t f = from; f < to; ++f) {
        const size_t at = data + 8 + f * 4;
        if (at + 4 > bytes.size()) break;
        int16_t left;
        std::memcpy(&left, bytes.data() + at, 2);
        peak = std::max(peak, std::abs(static_cast<int>(left)));
    }
    return peak;
}

std::string mappingsOfCarriedLibrary() {
    std::ifstream maps("/proc/self/maps");
    std::string found;
    for (std::string line; std::getline(maps, line);)
        if (line.find("kestrel-audio") != std::string::npos) found += line + "\n";
    return found;
}

}  // namespace

TEST(PlayingEndToEnd, ADoubleClickedSearchResultPlaysAndIsSteered) {
    testsupport::TempDir dir;
    testsupport::ScopedCwd cwd(dir.path());
    const std::string wav = (dir / "heard.wav").string();
    const std::string toneWav = (dir / "tone.wav").string(), tone = (dir / "tone.mp3").string();
    ASSERT_EQ(testsupport::run("sox -n -r 44100 -c 2 '" + toneWav + "' synth 8 sine 440 vol 0.8"), 0);
    ASSERT_EQ(testsupport::run("lame --quiet -b 128 '" + toneWav + "' '" + tone + "'"), 0);

    httplib::Server server;
    server.set_mount_point("/", dir.str());
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });

    setenv("KESTREL_AUDIO_WAV", wav.c_str(), 1);
    setenv("KESTREL_SITE_URL", ("http://127.0.0.1:" + std::to_string(port) + "/").c_str(), 1);
    gui::setMessageBoxResponder([](const gui::MessageBoxInfo&) {});
    gui::clearShownMessageBoxes();
    net::overrideConnected(true);
    int argc = 1;
    char name[] = "kestrel-player";
    char* argv[] = {name, nullptr};
    ASSERT_TRUE(startUp(argc, argv));

    // The library runs from a memory file: no file of it on disk.
    const std::string maps = mappingsOfCarriedLibrary();
    EXPECT_NE(maps.find("/memfd:kestrel-audio"), std::string::npos) << maps;
    EXPECT_EQ(maps.find(" /work"), std::string::npos) << maps;
    EXPECT_NE(appState.audio.FMOD_System_CreateStream, nullptr);
    EXPECT_TRUE(gui::shownMessageBoxes().empty());

    {
        std::lock_guard lock(appState.listsMutex);
        appState.searchResults = {{"/tone.mp3", "Тон 440", "Тон"}};
    }
    gui::listAddRow(ctl::SearchResultsList, "0. Тон 440", appState.addIcon);
    pump(50);
    click(ctl::SearchResultsList, gui::ControlEventType::Double,
          gui::listRowCentre(ctl::SearchResultsList, 0));
    ASSERT_TRUE(pumpUntil([] { return appState.channelPlaying == 1 && appState.positionMs > 300; }, 15000))
        << "nothing started";
    EXPECT_EQ(appState.nowPlayingText, "0. Тон 440");
    probeTrackLength(1, tone);  // a length for the position bar and the seek
    EXPECT_EQ(appState.trackLengthSeconds, 8);

    // The spectrum peaks at 440 Hz (about bin 10 of 1024 points at 44.1 kHz).
    pump(300);
    int loudest = 0;
    for (int k = 1; k < ctl::SpectrumBandCount; ++k)
        if (appState.spectrum[k] > appState.spectrum[loudest]) loudest = k;
    EXPECT_GE(loudest, 9);
    EXPECT_LE(loudest, 11);
    EXPECT_GT(appState.spectrum[loudest], 0.1f);

    // The position advances and the bar shows it.
    const uint32_t before = appState.positionMs;
    pump(1200);
    EXPECT_GT(appState.positionMs, before + 700);
    EXPECT_EQ(gui::imagePixel(img::PositionImage, 5, 1), (gui::Rgb{222, 32, 30}));

    // Each change of the audio shows on screen within one refresh.
    expectShownWithinOneRefresh(
        ctl::TimeDisplay, [] { return timeText(appState.positionMs); }, "the time");
    expectShownWithinOneRefresh(
        ctl::PositionBar, [] { return positionFill(appState.positionMs, appState.trackLengthSeconds); },
        "the position");

    // Pause holds the position and silences the output; the loudest band
    // falls (it is 15 pixels high, full above that).
    click(ctl::PlayButton, gui::ControlEventType::Left,
          {gui::controlScreenRect(ctl::PlayButton).x + 2, gui::controlScreenRect(ctl::PlayButton).y + 2});
    expectShownWithinOneRefresh(
        ctl::SpectrumBarFirst + loudest,
        [&] { return std::min(bandHeight(appState.spectrum[loudest]), int32_t{15}); }, "the band");
    ASSERT_TRUE(pumpUntil([] { return appState.pauseOn == 1; }, 2000));
    pump(200);
    const uint32_t held = appState.positionMs;
    const size_t pauseFrom = wavFrames(wav);
    pump(800);
    const size_t pauseTo = wavFrames(wav);
    EXPECT_EQ(appState.positionMs, held);
    EXPECT_EQ(appState.channelPlaying, 1);  // paused is still playing: no advance
    EXPECT_LT(peakBetween(wav, pauseFrom, pauseTo), 50);
    click(ctl::PlayButton, gui::ControlEventType::Left,
          {gui::controlScreenRect(ctl::PlayButton).x + 2, gui::controlScreenRect(ctl::PlayButton).y + 2});
    ASSERT_TRUE(pumpUntil([] { return appState.pauseOn == 0; }, 2000));
    pump(500);
    EXPECT_GT(appState.positionMs, held);

    // Mute silences the output without stopping the position.
    const size_t loudFrom = wavFrames(wav);
    pump(300);
    EXPECT_GT(peakBetween(wav, loudFrom, wavFrames(wav)), 10000);
    click(ctl::MuteButton, gui::ControlEventType::Left,
          {gui::controlScreenRect(ctl::MuteButton).x + 2, gui::controlScreenRect(ctl::MuteButton).y + 2});
    ASSERT_TRUE(pumpUntil([] { return appState.muteOn == 1; }, 2000));
    pump(200);
    const size_t muteFrom = wavFrames(wav);
    const uint32_t mutedAt = appState.positionMs;
    pump(600);
    EXPECT_LT(peakBetween(wav, muteFrom, wavFrames(wav)), 50);
    EXPECT_GT(appState.positionMs, mutedAt);
    click(ctl::MuteButton, gui::ControlEventType::Left,
          {gui::controlScreenRect(ctl::MuteButton).x + 2, gui::controlScreenRect(ctl::MuteButton).y + 2});
    ASSERT_TRUE(pumpUntil([] { return appState.muteOn == 0; }, 2000));

    // In mp3 mode, where the position bar is in view, a click at its middle
    // jumps to the middle of the track.
    const gui::Rect mp3Button = gui::controlScreenRect(ctl::Mp3ModeButton);
    click(ctl::Mp3ModeButton, gui::ControlEventType::Left, {mp3Button.x + 2, mp3Button.y + 2});
    ASSERT_TRUE(pumpUntil([] { return appState.mp3Mode == 1; }, 2000));
    const gui::Rect bar = gui::controlScreenRect(ctl::PositionBar);
    click(ctl::PositionBar, gui::ControlEventType::Left, {bar.x + 350, bar.y + 1});
    ASSERT_TRUE(pumpUntil([] { return appState.positionMs >= 4000; }, 3000))
        << appState.positionMs << " ms, pointer at x = " << appState.mouseX;
    EXPECT_LT(appState.positionMs, 5500u);

    // Left and Right move 5 s back (not before the start) and forward.
    gui::postEvent({gui::EventKind::Key, win::MainWindow, 0, {}, gui::Key::Left, 0});
    ASSERT_TRUE(pumpUntil([] { return appState.positionMs < 1500; }, 3000)) << appState.positionMs;
    gui::postEvent({gui::EventKind::Key, win::MainWindow, 0, {}, gui::Key::Right, 0});
    ASSERT_TRUE(pumpUntil([] { return appState.positionMs >= 5000; }, 3000)) << appState.positionMs;
    EXPECT_LT(appState.positionMs, 7000u);

    shutDown();
    server.stop();
    serving.join();
    net::overrideConnected(std::nullopt);
    unsetenv("KESTREL_AUDIO_WAV");
    unsetenv("KESTREL_SITE_URL");
}

// With no sound device the library plays into nothing at real-time pace, so
// the time runs as if one heard it: the status strip says there is no
// device, before what plays (read here from the tooltip of a strip too
// narrow for the whole text).
TEST(PlayingEndToEnd, WithoutASoundDeviceTheStripSaysSo) {
    testsupport::TempDir dir;
    testsupport::ScopedCwd cwd(dir.path());
    const std::string tone = (dir / (std::string(150, 'x') + ".wav")).string();
    ASSERT_EQ(testsupport::run("sox -n -r 44100 -c 2 '" + tone + "' synth 5 sine 440"), 0);
    unsetenv("KESTREL_AUDIO_WAV");
    setenv("SDL_AUDIODRIVER", "kestrel-no-such-driver", 1);
    gui::setMessageBoxResponder([](const gui::MessageBoxInfo&) {});
    net::overrideConnected(true);
    int argc = 1;
    char name[] = "kestrel-player";
    char* argv[] = {name, nullptr};
    ASSERT_TRUE(startUp(argc, argv));
    gui::setOpenFileResponder([&] { return tone; });
    openLocalFile();
    ASSERT_TRUE(pumpUntil([] { return appState.channelPlaying == 1 && appState.positionMs > 300; }, 5000));
    pumpPastOneRefresh();
    EXPECT_EQ(appState.noSoundDevice, 1);
    EXPECT_EQ(gui::tooltip(ctl::StatusStrip).rfind(texts::kNoSoundDevice, 0), 0u)
        << gui::tooltip(ctl::StatusStrip);
    shutDown();
    net::overrideConnected(std::nullopt);
    unsetenv("SDL_AUDIODRIVER");
}
