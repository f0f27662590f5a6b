// What the keys and the wheel of MainWindow do: Enter in SearchField
// searches as SearchButton does, Space pauses and resumes as PlayButton
// does, Left and Right seek 5 s, Up and Down and the wheel over VolumeBar
// move the volume by a step. Which keys reach here is the platform's part
// (gui::Key). UI thread.
#pragma once

#include "platform/gui/gui.h"

// Returns false when the event asks the program to shut down.
bool dispatchKeyOrWheel(const gui::Event& event);
