// Reading what the site shows of one audio file: artist and title from its
// tags (TagLib), length and bit rate; the file name stands in for missing tags.
#pragma once

#include <string>
#include <string_view>

#include "track.h"

namespace site {

// Fills artist, title, seconds and kbps of a track at `path` (path and
// fileName are set too). Never fails: an unreadable file gets its title from
// the file name and no length. Thread-safe for different files; blocks on I/O.
Track readTrack(const std::string& path);

// "Artist - Title.mp3" gives both; any other stem gives the title alone.
void titleFromFileName(std::string_view fileName, std::string& artist, std::string& title);

// Tags written by Russian tools often hold Windows-1251 bytes in fields that
// declare Latin-1, and arrive as "Êèíî". Given such a field's text (UTF-8 of
// code points up to U+00FF), returns it decoded as Windows-1251 when it looks
// like Cyrillic (a run of three letters of the upper half, or mostly such
// letters), else unchanged.
std::string repairLatin1(std::string_view utf8);

// Control characters become spaces; leading and trailing spaces go.
std::string cleanField(std::string_view utf8);

}  // namespace site
