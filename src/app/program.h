// The program's life: start-up, the polling loop, shutdown.
#pragma once

#include <chrono>

// Start-up steps 1 to 16. Returns false when MainWindow could not be opened
// (shutdown must then run at once).
bool startUp(int& argc, char** argv);
// One pass of the loop, its wait ending by `wakeBy` at the latest (10 ms
// from now when not given); returns false when the program is to shut down.
bool loopPass(std::chrono::steady_clock::time_point wakeBy);
bool loopPass();
void runEventLoop();
// Releases audio and the user interface. Ends nothing: main returns after it.
void shutDown();
