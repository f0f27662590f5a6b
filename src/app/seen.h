// The display refresh and whether MainWindow can be seen: while it is
// unseen (minimized, unmapped, wholly covered) nothing is drawn and the
// spectrum is not asked for; when it shows again, what is current is drawn
// before any older picture can reach the screen.
#pragma once

// Starts RefreshTimer (35 ms, refreshDisplay while MainWindow is seen) and
// the redraw when MainWindow is seen again. Once MainWindow exists.
void startRefresh();
bool mainWindowSeen();
