// Entry points whose behaviour is not built yet: each does nothing.
#include "library/artist_catalogue.h"

void openArtistIndex() {}
void loadArtistLetter(const std::string&) {}
void chooseArtist(int) {}
