// One player per desktop session: the first start of the program holds the
// media controls' bus name; a later one hands its files and addresses to
// that player, which raises its window, and ends. Two players never write
// the same inet_radio.pls. Without a session bus no other player can be
// found, and every start runs as a player of its own, as before.
//
// Threads: UI thread only.
#pragma once

#include <string>
#include <vector>

// Right after the toolkit starts, before anything is read or shown. `items`
// are the command line's files, folders and addresses. True when this
// process is to run as the player; false when it is to end at once with
// notStartedStatus(): its items were handed over (0), the player that runs
// did not answer, or nothing named can be opened and no player runs (1; the
// reasons are on stderr).
bool becomeThePlayer(const std::vector<std::string>& items);
int notStartedStatus();
// Once the window is whole, before it shows: the command line's items open,
// so that the window shows in the mode they opened while the sound starts.
void openCommandLineItems();
