// Entry points whose behaviour is not built yet: each does nothing.
#include "library/local_files.h"

void openLocalFile() {}
void refreshAlbum() {}
void listLocalFolder(const std::string&) {}
void playLocalFile() {}
void loadAlbumPhoto() {}
