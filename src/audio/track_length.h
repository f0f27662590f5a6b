#pragma once

#include <string>

// Sets appState.trackLengthSeconds from the file's length (0 when unknown).
void probeTrackLength(int aliasNumber, const std::string& path);
