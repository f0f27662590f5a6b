// Hover feedback: the hand cursor over the hotspots of MainWindow and the lit
// pictures shown while the mouse is over certain buttons. State lives in the
// seven hover flags of AppState.
//
// Threads: UI thread, once per loop pass. Nothing here blocks.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/gui/gui.h"

// True when the cursor lies inside the control's rectangle (left <= x <
// right, top <= y < bottom), both in the same coordinates.
bool IsCursorOverControl(gui::Point cursor, gui::Rect control);

// The first control of the hand-cursor list (search, video, site logo, play,
// close, minimise, about, record, mute, radio, artist index, title, mp3,
// open folder, position bar, previous, next; in that order) under the cursor, or 0.
int HandCursorHit();

// The second hover handler, the pointer's half of the volume drag: on a
// mouse move over VolumeBar it shows the hand and, while the left button is
// held, returns the pointer's x from the bar's left edge, which the loop
// hands to playback as a volume (setVolumeFromBar). Otherwise nothing.
std::optional<int32_t> trackVolumeDrag(int event, int eventControl);

// The seven hover handlers in their order: hand cursor, volume drag, lit
// close, radio, play, mp3 and open-folder buttons. Each acts only when `event`
// is a mouse move; a lit picture stays until a mouse move finds the cursor
// elsewhere. Returns what the volume drag returned.
std::optional<int32_t> UpdateHoverFeedback(int event, int eventControl);
