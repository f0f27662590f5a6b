// The mp3 mode's folder browser and album photo.
//
// UI thread only. A folder that cannot be read lists nothing; a missing
// picture shows the placeholder (or nothing); no message is shown.
#pragma once

#include <string>

// Left click on OpenFolderButton: the open-file dialog (modal), then the
// folder listed, the chosen file played, and the album photo.
void openLocalFile();
void refreshAlbum();  // right click or double click on OpenFolderButton
// LocalFilesList from the .wav, .mp3 and .mid entries (any case) of the
// path's folder, in name order (digit runs by value), each row with its numbered icon.
void listLocalFolder(const std::string& path);
// Plays the selected row: SearchField, `currentTitle`, the length probe
// (blocks while the file is read) and `nowPlayingText`.
void playLocalFile();
void loadAlbumPhoto();  // "яяя.jpg" of `localFolder`, 270 wide and at most 210 high
