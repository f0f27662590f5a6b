// Where saved tracks land.
#pragma once

#include <string>

// The folder named by KESTREL_SAVE_DIR (the installed launcher names the
// "Kestrel Player" folder of the user's music folder), made with its parents
// when first needed, as a prefix ending in "/". Without the variable: "" (the
// working directory). Returns false, with `folder` still naming it, when the
// folder cannot be made (a file in its place, no permission, a full disk).
// Any thread.
bool prepareSaveFolder(std::string& folder);
// The same folder without making it: "" for the working directory.
std::string saveFolderName();
