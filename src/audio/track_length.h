// The length of a local file, asked of the media control stand-in under the
// alias "MP3_<n>". UI thread.
#pragma once

#include <cstdint>
#include <string>

// Sets appState.trackLengthSeconds from the file's length (0 when unknown).
// The alias stays open until the next probe closes it. False when the path
// is no file to play (a FIFO, socket, device or folder). Waits at most
// 100 ms: a length still being read then comes through lateTrackLength.
bool probeTrackLength(int aliasNumber, const std::string& path);
// True, with trackLengthSeconds set, once the length of the last probe that
// ran out of time is known. Cheap; for every pass of the loop.
bool lateTrackLength();
// True while the length of the last probe is still being read.
bool trackLengthPending();

// The answer's text read as a number: leading blanks, a sign, digits; no
// digits give 0 (as the C library's atoi, without its overflow fault).
int32_t parseLengthReply(const char* text);
