// The window modes and the shell's own small operations.
#pragma once

void toggleRadioMode();
void toggleMp3Mode();
void toggleCompactMode();
void showAboutBox();
