// Hover feedback: the hand cursor over the hotspots of MainWindow and the lit
// pictures shown while the mouse is over certain buttons. State lives in the
// seven hover flags of AppState.
//
// Threads: UI thread, once per loop pass. Nothing here blocks.
#pragma once

// True when the cursor lies inside the control's screen rectangle
// (left <= x < right, top <= y < bottom); false for an unknown control.
bool IsCursorOverControl(int control);

// The first control of the hand-cursor list (search, video, site logo, play,
// close, minimise, about, record, mute, radio, artist index, title, mp3,
// open folder, position bar, previous, next; in that order) under the cursor, or 0.
int HandCursorHit();

// The seven hover handlers in their order: hand cursor, volume drag, lit
// close, radio, play, mp3 and open-folder buttons. Each acts only when `event`
// is a mouse move; a lit picture stays until a mouse move finds the cursor
// elsewhere.
void UpdateHoverFeedback(int event, int eventControl);
