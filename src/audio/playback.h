// Starting, steering and polling playback on the one channel. UI thread
// only; each call into the audio library is made only through a bound
// entry, so with no library everything here is silent and harmless.
#pragma once

#include <cstdint>
#include <string>

// Opens an address (http/https) or a local path (UTF-8) and plays it on the
// one channel at `volume` (silent while muted; a pause ends). The sound it
// replaces is released. An address returns at once and plays when its audio
// arrives (a failed open shows at a later poll as a channel that stopped); a
// local file is read up to its first audio.
void startStream(const std::string& address);
// Spectrum, position, playing state, the station's title and whether the
// sound reaches a device, into AppState.
void pollPlayback();
void togglePause();
void toggleMute();
void seekFromPositionBar();
// The volume as the pointer at x pixels from VolumeBar's left edge sets it
// (a drag, or the desktop's media controls): level, bar fill, channel; a
// muted player is unmuted.
void setVolumeFromBar(int32_t x);
// The same for a level from 0 to 1, at the bar's nearest point.
void setVolumeLevel(double level);
// Up and Down, and the wheel over the bar: the fill moves by `steps` key
// steps from what the bar shows (negative: down), as a drag to there would.
void stepVolume(int steps);
// Left and Right: the position moves by deltaMs, not before the start. A
// sound that cannot seek (a live stream) stays where it is.
void seekBy(int32_t deltaMs);

// The arithmetic of the two bars, for their tests.
struct VolumeSetting {
    float volume;
    int32_t fill;
};
// The pointer at x pixels from VolumeBar's left edge.
VolumeSetting volumeForPointer(int32_t x);
// The seek target for the pointer at x pixels from PositionBar's left edge.
uint32_t seekTargetMs(int32_t trackLengthSeconds, int32_t x);
