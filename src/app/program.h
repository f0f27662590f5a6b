// The program's life: start-up, the polling loop, shutdown.
#pragma once

// Start-up steps 1 to 16. Returns false when MainWindow could not be opened
// (shutdown must then run at once).
bool startUp(int& argc, char** argv);
// Every control of MainWindow in its order, each list filled right after it
// is made: the search history, the styles, the stations of the current
// style and the playlist.
void buildMainWindowControls();
// One pass of the loop; returns false when the program is to shut down.
bool loopPass();
void runEventLoop();
// Releases audio and the user interface. Ends nothing: main returns after it.
void shutDown();
