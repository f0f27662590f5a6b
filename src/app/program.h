// The program's life: start-up, the polling loop, shutdown.
#pragma once

#include <chrono>

// Start-up, in the order the rest of the program relies on: the shared state
// zeroed, the toolkit, stale temporary files removed, the connection
// warning, the audio library, the skin pictures and fonts, MainWindow with
// its controls and data, the audio system and the refresh timer, then the
// window shown and the media controls offered. Returns false when MainWindow
// could not be opened (shutdown must then run at once).
bool startUp(int& argc, char** argv);
// Every control of MainWindow in its order, each list filled right after it
// is made: the search history, the styles, the stations of the current
// style and the playlist.
void buildMainWindowControls();
// One pass of the loop, its wait ending by `wakeBy` at the latest (10 ms
// from now when not given); returns false when the program is to shut down.
bool loopPass(std::chrono::steady_clock::time_point wakeBy);
bool loopPass();
void runEventLoop();
// Releases audio and the user interface. Ends nothing: main returns after it.
void shutDown();
