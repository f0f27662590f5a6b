// Setting the program up for in-process benchmarks, on the offscreen toolkit.
#pragma once

// Start-up as the executable does it, with message boxes answered at once
// and the connection taken as present. True when the window is up and the
// audio library is bound.
bool startProgramForBench();

// Only the main window with its skin and controls (no audio library), for
// benchmarks of drawing and mode switches. The toolkit must be initialised.
void buildMainWindowForBench();
