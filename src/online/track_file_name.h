// The file a saved track is written to.
#pragma once

#include <string>
#include <string_view>

// The title + ".mp3", as a name inside the working directory: "/" and NUL
// become "_", a title that is empty, "." or ".." becomes "Без названия", and
// a title too long for the file system is shortened at a character boundary.
// Everything else (entities such as "&#39;" included) stays. Copy 2, 3, …
// of a name already taken is "title (2).mp3", … . Pure.
std::string trackFileName(std::string_view title, int copy = 1);
