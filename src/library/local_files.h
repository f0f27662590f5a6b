// The mp3 mode's folder browser and album photo.
#pragma once

#include <string>

void openLocalFile();
void refreshAlbum();  // right click or double click on OpenFolderButton
void listLocalFolder(const std::string& path);
void playLocalFile();
void loadAlbumPhoto();
