// Entry points whose behaviour is not built yet: each does nothing.
#include "audio/playback.h"

void startStream(const std::string&) {}
void playSearchResult() {}
void pollPlayback() {}
void togglePause() {}
void toggleMute() {}
void seekFromPositionBar() {}
void trackVolumeDrag(int, int) {}
