// The mp3 mode's folder browser and album photo.
//
// UI thread only. A folder that cannot be read lists nothing; a missing
// picture shows the placeholder (or nothing); no message is shown.
#pragma once

#include <string>

// The open-file dialog (modal), then the chosen file's folder listed, the
// chosen file's row selected and the album photo. Returns that row, or -1
// when the file is not a listed one (or the dialog was cancelled).
int listChosenFile();
// The file name of a row as the folder gave it; "" for no such row.
std::string localFileName(int row);
void refreshAlbum();  // right click or double click on OpenFolderButton
// LocalFilesList from the .wav, .mp3 and .mid entries (any case) of the
// path's folder, in name order (digit runs by value), each row with its numbered icon.
void listLocalFolder(const std::string& path);
void loadAlbumPhoto();  // "яяя.jpg" of `localFolder`, scaled to AlbumPhoto's size (ui/layout.h)
