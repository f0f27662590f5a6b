// What the desktop hands the player to open: files, folders and addresses
// from the command line ("Open with" among them), a drop on the window, the
// media controls' OpenUri and a later start of the program.
//
// A local file opens mp3 mode on its folder and plays, as choosing it in the
// open dialog does; a folder plays its first audio file in the list's order;
// an http(s) address joins the playlist and plays. Of several items the first
// that can be opened plays; the others' addresses still join the playlist.
// What cannot be opened is said in the status strip; the player goes on as
// it was.
//
// Threads: UI thread only.
#pragma once

#include <string>
#include <vector>

struct OpenItem {
    enum class Kind { File, Folder, Address, Missing, NoAudio, NotAudio, BadAddress };
    Kind kind = Kind::Missing;
    std::string given;  // as it was named
    // File and Folder: the file to play (a folder's first audio file);
    // Address: the address; otherwise the path or address looked at.
    std::string path;
};

// Reads an item: http and https addresses, file: addresses of this machine
// (percent-decoded), other addresses (refused), and paths, relative ones
// taken from `cwd`. Looks at the file system, touches no control.
OpenItem readItem(const std::string& given, const std::string& cwd);
bool canOpen(const OpenItem& item);
// Why an item cannot be opened, as the status strip says it.
std::string openProblem(const OpenItem& item);
// The process's working directory ("" when it cannot be read).
std::string workingDirectory();

// Opens the items now (in a pass of the loop).
void openItems(const std::vector<std::string>& items);
// Keeps the items to open in the next pass, raising the window first when
// asked: for the callbacks that run inside the loop's wait.
void requestOpen(const std::vector<std::string>& items, bool raise);
// Every pass: what was asked since the last one.
void openRequestedItems();
