#include "app/keys.h"

#include "app/dispatch.h"
#include "audio/playback.h"
#include "state/app_state.h"
#include "ui/hover.h"
#include "ui/ids.h"

namespace {

constexpr int32_t kSeekStepMs = 5000;
constexpr int kLeft = int(gui::ControlEventType::Left);

bool pointerOverVolumeBar() {
    return IsCursorOverControl({appState.mouseX, appState.mouseY}, gui::controlRect(ctl::VolumeBar));
}

}  // namespace

bool dispatchKeyOrWheel(const gui::Event& event) {
    if (event.window != win::MainWindow) return true;
    if (event.kind == gui::EventKind::Wheel) {
        if (pointerOverVolumeBar()) stepVolume(event.wheelSteps);
        return true;
    }
    switch (event.key) {
        case gui::Key::Enter:
            // The field keeps its focus when a mode moves it out of view: it
            // searches only where the search button is.
            if (event.control == ctl::SearchField && !appState.radioMode && !appState.mp3Mode)
                return dispatchControlEvent(ctl::SearchButton, kLeft);
            break;
        case gui::Key::Space:
            return dispatchControlEvent(ctl::PlayButton, kLeft);
        case gui::Key::Left:
            seekBy(-kSeekStepMs);
            break;
        case gui::Key::Right:
            seekBy(kSeekStepMs);
            break;
        case gui::Key::Up:
            stepVolume(1);
            break;
        case gui::Key::Down:
            stepVolume(-1);
            break;
        case gui::Key::None:
            break;
    }
    return true;
}
