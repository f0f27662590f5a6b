// Turns a control event into the operation the control stands for.
#pragma once

// Returns false when the event asks the program to shut down.
bool dispatchControlEvent(int control, int type);
