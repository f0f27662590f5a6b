#include "audio/display_refresh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <mutex>
#include <optional>
#include <utility>

#include "online/connectivity.h"
#include "platform/gui/gui.h"
#include "state/app_state.h"
#include "state/texts.h"
#include "ui/ids.h"
#include "ui/layout.h"

namespace {

constexpr gui::Rgb kTextGrey{165, 165, 165};
constexpr gui::Rgb kBright{251, 1, 4};
constexpr gui::Rgb kDarkRed{188, 1, 3};
constexpr gui::Rect kStatusCanvas = layout::canvas(img::StatusImage);
constexpr gui::Rect kTimeCanvas = layout::canvas(img::TimeImage);
constexpr int32_t kBandHeight = layout::canvas(img::SpectrumBarImage).h;
constexpr int kStatusTextX = 20;
constexpr int kStatusTextWidth = kStatusCanvas.w - kStatusTextX - 8;  // to a margin before the edge
constexpr int kTimeTextX = 15;
constexpr int kTimeTextMinX = 12;  // right of the clock drawn on the background

// What a picture was last drawn from. A picture is drawn again only when
// what it shows would change: most ticks change a few bands and nothing else.
template <typename T>
struct Drawn {
    std::optional<T> from;  // none: never drawn on its control
    // True, and remembered, when the picture must be drawn from `value`.
    bool stale(const T& value) {
        if (from == value) return false;
        from = value;
        return true;
    }
};

struct DrawnPictures {
    Drawn<std::pair<bool, std::string>> status;  // recording, then the text shown
    std::array<Drawn<int32_t>, ctl::SpectrumBandCount> bands;
    Drawn<std::string> time;
    Drawn<int32_t> volume;
    Drawn<bool> connection;
    Drawn<int32_t> position;
};
DrawnPictures drawn;
uint64_t controlsSeen = 0;  // gui::controlsMade() when `drawn` was last valid

void drawStatusStrip() {
    const bool recording = appState.recordingActive.load() != 0;
    std::string text;
    if (recording) {
        std::lock_guard lock(appState.listsMutex);
        text = appState.recordingCaption + texts::kRecording;
    } else if (!appState.statusNotice.empty()) {
        text = appState.statusNotice;
    } else {
        // A station's now-playing title follows what plays.
        const std::string& title = appState.nowPlayingTitle;
        text = title.empty() ? appState.nowPlayingText : appState.nowPlayingText + " — " + title;
        // Sound that goes nowhere is said first: the running time alone
        // would look like playing.
        if (appState.noSoundDevice && appState.channelPlaying)
            text = texts::kNoSoundDevice + (text.empty() ? std::string() : " — " + text);
    }
    if (!drawn.status.stale({recording, text})) return;
    // A text longer than the strip ends in "…"; the whole of it is the strip's tooltip.
    const std::string shown = gui::elidedText(font::StatusFont, text, kStatusTextWidth);
    gui::setTooltip(ctl::StatusStrip, shown == text ? std::string() : text);
    gui::drawImage(img::StatusImage, img::StatusBackImage, kStatusCanvas);
    gui::drawText(img::StatusImage, font::StatusFont, kStatusTextX, 1, recording ? kBright : kTextGrey,
                  shown);
    gui::setControlImage(ctl::StatusStrip, img::StatusImage);
}

void drawSpectrum() {
    // One canvas serves all bands: each control takes a snapshot of it
    // before it is drawn again for the next band.
    for (int k = 0; k < ctl::SpectrumBandCount; ++k) {
        if (!drawn.bands[k].stale(bandHeight(appState.spectrum[k]))) continue;
        drawSpectrumBand(appState.spectrum[k]);
        gui::setControlImage(ctl::SpectrumBarFirst + k, img::SpectrumBarImage);
    }
}

void drawTime() {
    const std::string text = timeText(appState.positionMs);
    if (!drawn.time.stale(text)) return;
    gui::drawImage(img::TimeImage, img::TimeBackImage, kTimeCanvas);
    // From 100 minutes on the text takes the narrow face, and moves left
    // towards the clock as far as it must to end inside the picture.
    int fontId = font::TimeFont;
    int x = kTimeTextX;
    if (gui::textWidth(fontId, text) > kTimeCanvas.w - kTimeTextX) {
        fontId = font::TimeNarrowFont;
        x = std::max(kTimeTextMinX, std::min(x, kTimeCanvas.w - 1 - gui::textWidth(fontId, text)));
    }
    gui::drawText(img::TimeImage, fontId, x, 1, kTextGrey, text);
    gui::setControlImage(ctl::TimeDisplay, img::TimeImage);
}

void drawVolume() {
    const int32_t w = appState.volumeFill;
    if (!drawn.volume.stale(w)) return;
    gui::drawImage(img::VolumeImage, img::VolumeBackImage, layout::canvas(img::VolumeImage));
    gui::fillRect(img::VolumeImage, {1, 2, w, 1}, {105, 0, 0});
    gui::fillRect(img::VolumeImage, {1, 3, w, 1}, {237, 45, 49});
    gui::fillRect(img::VolumeImage, {1, 4, w, 1}, {219, 24, 32});
    gui::fillRect(img::VolumeImage, {1, 5, w, 1}, {255, 100, 114});
    gui::drawImage(img::VolumeImage, img::VolumeKnobImage, {w - 2, 0, 8, 8});
    gui::setControlImage(ctl::VolumeBar, img::VolumeImage);
}

void drawConnectionIndicator() {
    const bool connected = isConnected();
    if (!drawn.connection.stale(connected)) return;
    gui::fillRect(img::ConnectionImage, {0, 0, 14, 14}, {26, 26, 26});
    const gui::Rgb mark = connected ? gui::Rgb{227, 5, 3} : gui::Rgb{63, 63, 63};
    gui::fillRect(img::ConnectionImage, {6, 6, 1, 3}, mark);
    gui::fillRect(img::ConnectionImage, {4, 4, 5, 1}, mark);
    gui::fillRect(img::ConnectionImage, {2, 2, 9, 1}, mark);
    gui::fillRect(img::ConnectionImage, {0, 0, 13, 1}, mark);
    gui::setControlImage(ctl::ConnectionIndicator, img::ConnectionImage);
}

void drawPositionBar() {
    if (appState.trackLengthSeconds == 0) appState.trackLengthSeconds = 1;
    const int32_t fill = positionFill(appState.positionMs, appState.trackLengthSeconds);
    if (!drawn.position.stale(fill)) return;
    gui::fillRect(img::PositionImage, {0, 0, layout::kPositionBarWidth, 1}, {15, 15, 15});
    gui::fillRect(img::PositionImage, {0, 1, layout::kPositionBarWidth, 1}, {60, 60, 60});
    gui::fillRect(img::PositionImage, {0, 1, fill, 1}, {222, 32, 30});
    gui::fillRect(img::PositionImage, {0, 2, layout::kPositionBarWidth, 1}, {83, 83, 83});
    gui::setControlImage(ctl::PositionBar, img::PositionImage);
}

}  // namespace

void drawSpectrumBand(float value) {
    const int32_t h = bandHeight(value);
    gui::fillRect(img::SpectrumBarImage, {0, 0, 20, kBandHeight}, {0, 0, 0});
    gui::fillRect(img::SpectrumBarImage, {0, kBandHeight - h, 20, h}, kDarkRed);
    gui::fillRect(img::SpectrumBarImage, {0, kBandHeight - h, 20, h / 6}, kBright);  // the bright cap
}

int32_t bandHeight(float value) {
    const double scaled = static_cast<double>(value) * 200.0;
    // Not a number or below zero draws nothing; far above the band draws the
    // same as just above it (the cap then lies wholly outside the picture).
    if (!(scaled > 0.0)) return 0;
    if (scaled > 1000.0) return 1000;
    return static_cast<int32_t>(std::nearbyint(scaled));  // the default rounding: half to even
}

std::string timeText(uint32_t positionMs) {
    const uint32_t s = positionMs / 1000;
    const uint32_t seconds = s % 60;
    // Minutes go on counting past the hour: a long stream never shows a wrapped time.
    return std::to_string(s / 60) + ":" + (seconds < 10 ? "0" : "") + std::to_string(seconds);
}

int32_t positionFill(uint32_t positionMs, int32_t trackLengthSeconds) {
    if (trackLengthSeconds <= 0) return 0;
    // 64-bit: s x 700 overflows 32 bits after 35 days of play.
    const int64_t s = positionMs / 1000;
    const int64_t fill = s * layout::kPositionBarWidth / trackLengthSeconds;
    return fill > layout::kPositionBarWidth ? layout::kPositionBarWidth : static_cast<int32_t>(fill);
}

void refreshDisplay() {
    // Controls made since the last tick may be ours made anew, showing nothing.
    if (gui::controlsMade() != controlsSeen) {
        controlsSeen = gui::controlsMade();
        drawn = {};
    }
    drawStatusStrip();
    drawSpectrum();
    drawTime();
    drawVolume();
    drawConnectionIndicator();
    drawPositionBar();
}
