#include "audio/playback.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <utility>

#include "platform/gui/gui.h"
#include "state/app_state.h"
#include "ui/ids.h"
#include "ui/layout.h"

namespace {

constexpr unsigned kSoftwareMixing = 0x40;
constexpr unsigned kMilliseconds = 1;

}  // namespace

VolumeSetting volumeForPointer(int32_t x) {
    const float volume = static_cast<float>(x) / layout::kVolumeBarSpan;
    if (volume >= 1.0f) return {1.0f, layout::kVolumeFillFull};
    if (volume <= 0.0f) return {0.0f, layout::kVolumeFillSilent};
    return {volume, x};
}

uint32_t seekTargetMs(int32_t trackLengthSeconds, int32_t x) {
    // In 64 bits and never below the start: a pointer left of the bar or a
    // negative length would otherwise wrap round to a huge position.
    const int64_t seconds = static_cast<int64_t>(trackLengthSeconds) * x / layout::kPositionBarWidth;
    if (seconds <= 0) return 0;
    const int64_t ms = seconds * 1000;
    return ms > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(ms);
}

void startStream(const std::string& address) {
    const AudioFunctions& f = appState.audio;
    if (!f.FMOD_System_CreateStream || !f.FMOD_System_PlaySound) return;
    FMOD_SOUND* previous = appState.audioSound;
    appState.nowPlayingTitle.clear();
    // Fresh handles: a failed open must not leave the old sound to be played again.
    appState.audioSound = nullptr;
    appState.audioChannel = nullptr;
    f.FMOD_System_CreateStream(appState.audioSystem, address.c_str(), kSoftwareMixing, nullptr,
                               &appState.audioSound);
    f.FMOD_System_PlaySound(appState.audioSystem, 0, appState.audioSound, 0, &appState.audioChannel);
    // A muted player stays silent and its mute picture stays true; a paused
    // one plays the track the user just chose, and its pause picture goes.
    if (f.FMOD_Channel_SetVolume)
        f.FMOD_Channel_SetVolume(appState.audioChannel, appState.muteOn ? 0.0f : appState.volume);
    if (appState.pauseOn) {
        appState.pauseOn = 0;
        gui::setControlImage(ctl::PauseIndicator, 0);
    }
    // The replaced sound is released, so that long listening does not pile
    // up streams and connections.
    if (previous && previous != appState.audioSound && f.FMOD_Sound_Release) f.FMOD_Sound_Release(previous);
}

void pollPlayback(bool spectrum) {
    const AudioFunctions& f = appState.audio;
    if (spectrum && f.FMOD_Channel_GetSpectrum)
        f.FMOD_Channel_GetSpectrum(appState.audioChannel, appState.spectrum.data(), 512, 0, 0);
    if (f.FMOD_Channel_GetPosition)
        f.FMOD_Channel_GetPosition(appState.audioChannel, &appState.positionMs, kMilliseconds);
    if (f.FMOD_Channel_IsPlaying) f.FMOD_Channel_IsPlaying(appState.audioChannel, &appState.channelPlaying);
    if (f.KESTREL_Channel_GetTitle) {
        char title[600];
        if (f.KESTREL_Channel_GetTitle(appState.audioChannel, title, sizeof title) != 0) title[0] = '\0';
        if (appState.nowPlayingTitle != title) appState.nowPlayingTitle = title;
    }
    // Whether what plays reaches a device. The library knows only once its
    // output has opened, and forgets while it is closed: the last answer holds.
    int output = KESTREL_AUDIO_OUTPUT_UNKNOWN;
    if (f.KESTREL_System_GetOutput && appState.channelPlaying &&
        f.KESTREL_System_GetOutput(appState.audioSystem, &output) == KESTREL_AUDIO_OK &&
        output != KESTREL_AUDIO_OUTPUT_UNKNOWN)
        appState.noSoundDevice = output == KESTREL_AUDIO_OUTPUT_NONE;
}

void togglePause() {
    appState.pauseOn ^= 1;
    if (appState.audio.FMOD_Channel_SetPaused)
        appState.audio.FMOD_Channel_SetPaused(appState.audioChannel, appState.pauseOn);
    gui::setControlImage(ctl::PauseIndicator, appState.pauseOn ? img::PauseImage : 0);
}

void toggleMute() {
    appState.muteOn ^= 1;
    if (appState.audio.FMOD_Channel_SetVolume)
        appState.audio.FMOD_Channel_SetVolume(appState.audioChannel,
                                              appState.muteOn ? 0.0f : appState.volume);
    gui::setControlImage(ctl::MuteButton, appState.muteOn ? img::MutedImage : 0);
}

void seekFromPositionBar() {
    const int32_t x = appState.mouseX - gui::controlRect(ctl::PositionBar).x;
    seekTo(seekTargetMs(appState.trackLengthSeconds, x));
}

SoundInfo playingSoundInfo() {
    const AudioFunctions& f = appState.audio;
    SoundInfo info;
    if (f.KESTREL_Channel_GetLength) {
        unsigned length = 0;
        int seekable = 0;
        if (f.KESTREL_Channel_GetLength(appState.audioChannel, &length, &seekable) == 0) {
            info.lengthMs = length;
            info.seekable = seekable != 0;
        }
    }
    if (f.KESTREL_Channel_GetTag) {
        char value[600];
        for (auto [key, field] :
             {std::pair{"title", &info.title}, {"artist", &info.artist}, {"album", &info.album}})
            if (f.KESTREL_Channel_GetTag(appState.audioChannel, key, value, sizeof value) == 0)
                *field = value;
    }
    return info;
}

void seekTo(uint32_t ms) {
    if (appState.audio.FMOD_Channel_SetPosition)
        appState.audio.FMOD_Channel_SetPosition(appState.audioChannel, ms, kMilliseconds);
}

void setVolumeFromBar(int32_t x) {
    const VolumeSetting s = volumeForPointer(x);
    appState.volume = s.volume;
    appState.volumeFill = s.fill;
    // Setting a level asks for sound: a muted player is unmuted, so that the
    // mute picture never shows over audible sound.
    if (appState.muteOn) {
        appState.muteOn = 0;
        gui::setControlImage(ctl::MuteButton, 0);
    }
    if (appState.audio.FMOD_Channel_SetVolume)
        appState.audio.FMOD_Channel_SetVolume(appState.audioChannel, appState.volume);
}

void stepVolume(int steps) {
    // From what the bar shows: its two ends are drawn past the span.
    const int32_t from = appState.volume <= 0.0f   ? 0
                         : appState.volume >= 1.0f ? layout::kVolumeBarSpan
                                                   : appState.volumeFill;
    setVolumeFromBar(from + steps * layout::kVolumeKeyStep);
}

int64_t seekBy(int32_t deltaMs) {
    const int64_t target = std::max<int64_t>(0, int64_t(appState.positionMs) + deltaMs);
    seekTo(static_cast<uint32_t>(std::min<int64_t>(target, UINT32_MAX)));
    return target;
}

void setVolumeLevel(double level) {
    setVolumeFromBar(static_cast<int32_t>(std::lround(level * layout::kVolumeBarSpan)));
}
