#include "app/remembered.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/gui/gui.h"
#include "platform/settings/settings.h"
#include "state/app_state.h"
#include "ui/ids.h"
#include "ui/layout.h"

namespace {

constexpr char kVolume[] = "player/volume";
constexpr char kVolumeFill[] = "player/volumeFill";
constexpr char kMute[] = "player/mute";
constexpr char kWindowX[] = "player/windowX";
constexpr char kWindowY[] = "player/windowY";
constexpr char kDialogFolder[] = "player/dialogFolder";

bool restored = false;
// What the file held at start-up when it was whole: keys written by another
// version, or a place kept on X11 while this run is on Wayland, survive.
settings::Values heldAtStart;

// The value of `key` as a number within [low, high]; nothing when it is
// missing, and nothing with `bad` set when it is there but no such number.
std::optional<double> number(const settings::Values& values, const char* key, double low, double high,
                             bool& bad) {
    const auto it = values.find(key);
    if (it == values.end()) return std::nullopt;
    const char* text = it->second.c_str();
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !std::isfinite(value) || value < low || value > high) {
        bad = true;
        return std::nullopt;
    }
    return value;
}

}  // namespace

void restoreRememberedSettings() {
    restored = true;
    appState.dialogFolder = settings::musicFolder();
    const std::string path = settings::playerSettingsPath();
    const settings::ReadResult file = settings::read(path);
    bool bad = file.damaged;
    if (!file.damaged) heldAtStart = file.values;
    const settings::Values& values = heldAtStart;

    const auto volume = number(values, kVolume, 0.0, 1.0, bad);
    const auto fill = number(values, kVolumeFill, layout::kVolumeFillSilent, layout::kVolumeFillFull, bad);
    if (volume && fill) {
        appState.volume = static_cast<float>(*volume);
        appState.volumeFill = static_cast<int32_t>(*fill);
    }
    if (number(values, kMute, 0, 1, bad).value_or(0) == 1) {
        appState.muteOn = 1;
        gui::setControlImage(ctl::MuteButton, img::MutedImage);
    }
    // A place off every screen (a monitor since unplugged) leaves the window centred.
    const auto x = number(values, kWindowX, -1e6, 1e6, bad);
    const auto y = number(values, kWindowY, -1e6, 1e6, bad);
    if (x && y) gui::placeWindow(win::MainWindow, {static_cast<int>(*x), static_cast<int>(*y)});
    if (const auto it = values.find(kDialogFolder); it != values.end() && !it->second.empty())
        appState.dialogFolder = it->second;
    if (bad)
        std::fprintf(stderr, "kestrel-player: %s is damaged or unreadable; the default settings are used\n",
                     path.c_str());
}

void keepRememberedSettings() {
    if (!restored) return;
    settings::Values values = heldAtStart;
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", static_cast<double>(appState.volume));
    values[kVolume] = text;
    values[kVolumeFill] = std::to_string(appState.volumeFill);
    values[kMute] = appState.muteOn ? "1" : "0";
    if (const std::optional<gui::Point> at = gui::windowPlace(win::MainWindow)) {
        values[kWindowX] = std::to_string(at->x);
        values[kWindowY] = std::to_string(at->y);
    }
    if (!appState.dialogFolder.empty()) values[kDialogFolder] = appState.dialogFolder;
    const std::string path = settings::playerSettingsPath();
    if (!settings::write(path, values))
        std::fprintf(stderr, "kestrel-player: the settings could not be saved to %s\n", path.c_str());
}
