// The length of a local file, asked of the media control stand-in under the
// alias "MP3_<n>". UI thread; blocks while the file is read.
#pragma once

#include <cstdint>
#include <string>

// Sets appState.trackLengthSeconds from the file's length (0 when unknown).
// The alias stays open until the next probe closes it.
void probeTrackLength(int aliasNumber, const std::string& path);

// The answer's text read as a number: leading blanks, a sign, digits; no
// digits give 0 (as the C library's atoi, without its overflow fault).
int32_t parseLengthReply(const char* text);
