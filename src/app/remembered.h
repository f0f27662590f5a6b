// What the player remembers from one run to the next: the volume and its
// bar, mute, the main window's place and the open dialog's folder, in the
// user's settings file (platform/settings). The mode is not remembered:
// the player always starts in search mode. UI thread.
#pragma once

// Start-up, once MainWindow and its controls exist and before the window is
// shown. A value that is missing or out of its range keeps its default; a
// damaged file gives every default and one warning on stderr. The dialog
// opens in the music folder until a file was chosen in it.
void restoreRememberedSettings();
// Shutdown, while MainWindow still exists: writes the whole file anew (a
// damaged one is so replaced). Says on stderr when it cannot. Does nothing
// when start-up did not get as far as restoring.
void keepRememberedSettings();
