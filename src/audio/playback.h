// Starting, steering and polling playback on the one channel. UI thread only.
#pragma once

#include <string>

void startStream(const std::string& address);
void playSearchResult();
void pollPlayback();
void togglePause();
void toggleMute();
void seekFromPositionBar();
// One hover handler: acts on mouse-move events only (event is gui::EventKind).
void trackVolumeDrag(int event, int eventControl);
