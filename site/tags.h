// Reading what the site shows of one audio file: artist and title from its
// tags (TagLib), length and bit rate; the file name stands in for missing tags.
#pragma once

#include <string>
#include <string_view>

#include "track.h"

namespace site {

// Fills artist, title, album, seconds and kbps of a track at `path` (path,
// fileName and folder are set too; `folder` is the folders between the
// indexed folder and the file). Missing tags come from the file name, then
// from the folders ("Artist/Album/01 - Title.mp3"). `isAudio` (when given) is
// set to whether the tag library parsed the file as audio: only such files
// are indexed and served. Thread-safe for different files; blocks on I/O.
Track readTrack(const std::string& path, std::string_view folder = {}, bool* isAudio = nullptr);

// "Artist - Title.mp3" gives both; any other stem gives the title alone. A
// leading track number ("01 - Title.mp3") is not an artist.
void titleFromFileName(std::string_view fileName, std::string& artist, std::string& title);

// Tags written by Russian tools often hold Windows-1251 bytes in fields that
// declare Latin-1, and arrive as "Êèíî". Given such a field's text (UTF-8 of
// code points up to U+00FF), returns it decoded as Windows-1251 when it looks
// like Cyrillic (a run of three letters of the upper half, or mostly such
// letters), else unchanged.
std::string repairLatin1(std::string_view utf8);

// Control characters become spaces; leading and trailing spaces go; at most
// 1000 bytes are kept (cut at a character boundary).
std::string cleanField(std::string_view utf8);

}  // namespace site
