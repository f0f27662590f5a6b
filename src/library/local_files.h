// The mp3 mode's folder browser and album photo.
//
// UI thread only. A folder that cannot be read lists nothing; a missing
// picture shows the placeholder (or nothing); no message is shown.
#pragma once

#include <string>

// The open-file dialog (modal, in `dialogFolder`, offering the audio files
// first), then the chosen file's folder listed, the
// chosen file's row selected and the album photo. Returns that row, or -1
// when the file is not a listed one (or the dialog was cancelled).
int listChosenFile();
// The file name of a row as the folder gave it; "" for no such row.
std::string localFileName(int row);
void refreshAlbum();  // right click or double click on OpenFolderButton
// LocalFilesList from the entries of the path's folder that the audio
// library plays, by extension in any case (MP3, WAV, MIDI, FLAC, Ogg,
// Opus, M4A/AAC, WMA, AIFF), in name order (digit runs by value), each row
// with its numbered icon.
void listLocalFolder(const std::string& path);
// The album photo: "яяя.jpg" of `localFolder`, else its cover.jpg,
// folder.jpg or front.jpg (any case; also .jpeg and .png), else the picture
// carried by the chosen file, else the placeholder "999.jpg". Fitted into
// AlbumPhoto's frame (ui/layout.h) with its aspect ratio kept.
void loadAlbumPhoto();
// A file name without its extension ("Song.flac" -> "Song").
std::string withoutExtension(const std::string& name);
